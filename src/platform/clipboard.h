// The clipboard: what is put there and read back goes as MIME data, so that
// other programs find the formats they take (plain text, RTF, HTML).
#pragma once

#include <memory>

class QMimeData;

namespace platform {

// Puts the data on the clipboard, which takes it over. Raises when the
// clipboard cannot be opened, and leaves it as it was.
void clipboardSetData(std::unique_ptr<QMimeData> data);
// What the clipboard holds now, or nullptr when it holds nothing. Raises
// when the clipboard cannot be opened.
const QMimeData* clipboardData();

// Tests: while set, the clipboard cannot be opened, as when another program
// holds it, and both calls above raise.
void setClipboardUnavailable(bool unavailable);

}  // namespace platform
