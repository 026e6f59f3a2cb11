// The active document window and its control, for the commands that act on
// it. The caller passes the main window's active document, or nullptr when
// none is open; asking for it then raises the error that the commands' own
// handling skips or reports.
#pragma once

class RichTextBox;
class frmDocument;

namespace document {

frmDocument& activeDocument(frmDocument* active);
RichTextBox& activeRtfText(frmDocument* active);

}  // namespace document
