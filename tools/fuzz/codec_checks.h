// The codec's checks, which need the codec library alone (no Qt); see
// checks.h.
#pragma once

#include <string>
#include <string_view>

namespace fuzzcheck {

// The RTF reader alone: runs are non-empty UTF-8, every document has a
// paragraph, and only bytes that do not start as RTF are refused.
std::string rtfReader(std::string_view bytes);

// Reader, writer, reader: the second read gives the text and formatting of
// the first.
std::string rtfRoundTrip(std::string_view bytes);

// Plain-text decoding and encoding: the text survives a save, and a second
// save writes the bytes of the first.
std::string plainText(std::string_view bytes);

}  // namespace fuzzcheck
