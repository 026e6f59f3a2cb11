// Plain-text files: encoding and line-end detection, and writing back.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Utf16Le and Utf16Be are read and written with their byte-order mark.
// Cp936 is GBK as Windows writes it, with 0x80 for the euro sign.
// Windows1252 holds files that are none of the others: it gives every byte a
// character, so writing the text back restores the bytes.
enum class TextEncoding { Utf8, Utf8Bom, Gb18030, Utf16Le, Utf16Be, Cp936, Windows1252 };
enum class LineEnd { Lf, CrLf, Cr };

struct DecodedText {
    std::string utf8;       // the text, lines separated by '\n'
    TextEncoding encoding;  // what the bytes were
    LineEnd lineEnd;        // the first line end found; Lf when there is none
};

// UTF-8 after a UTF-8 BOM or when the bytes are valid UTF-8; UTF-16 after
// its BOM; else GB18030, or code page 936 for GBK text with the euro sign
// (0x80). An encoding other than UTF-8 after a BOM is only
// chosen when writing the text back gives the same bytes again; bytes that
// none of them reads exactly are taken as Windows-1252, so that no byte is
// lost when the text is saved back.
DecodedText decodePlainText(std::string_view bytes);

// Text with '\n' line separators back to bytes in the given encoding and
// line-end convention. GB18030 and UTF-16 hold every character; text that
// code page 936 or Windows-1252 cannot hold is written as UTF-8 instead, so
// nothing is lost.
std::string encodePlainText(std::string_view utf8, TextEncoding encoding, LineEnd lineEnd);

}  // namespace text
