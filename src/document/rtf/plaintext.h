// Plain-text files: encoding and line-end detection, and writing back.
#pragma once

#include <string>
#include <string_view>

namespace rtf {

enum class TextEncoding { Utf8, Utf8Bom, Gb18030 };
enum class LineEnd { Lf, CrLf, Cr };

struct DecodedText {
    std::string utf8;       // the text, lines separated by '\n'
    TextEncoding encoding;  // what the bytes were
    LineEnd lineEnd;        // the first line end found; Lf when there is none
};

// UTF-8 (with or without BOM) when the bytes are valid UTF-8, else GB18030.
DecodedText decodePlainText(std::string_view bytes);

// Text with '\n' line separators back to bytes in the given encoding and
// line-end convention. Characters GB18030 cannot hold do not exist (it covers
// all of Unicode).
std::string encodePlainText(std::string_view utf8, TextEncoding encoding, LineEnd lineEnd);

}  // namespace rtf
