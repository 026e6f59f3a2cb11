// Correct text in the PDF files Qt writes. Qt's PDF writer builds each
// font's ToUnicode map by searching the font's character map from U+0000
// upwards and keeping the first character that uses a glyph. CJK fonts draw
// a Kangxi radical (U+2F00-U+2FDF) and the ideograph it comes from (文 U+6587
// and ⽂ U+2F42) with one glyph, so the radical wins, and text copied or
// extracted from the PDF shows radicals in place of common characters
// (一 人 大 日 月 文 ...). The fix maps those radicals back to their
// ideographs, in place: every code is four hex digits either way, so no byte
// offset in the file moves.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QPrinter;

namespace platform {

// The PDF with every single-character ToUnicode entry that names a radical
// with an ideograph equivalent mapped to that ideograph. Same size.
QByteArray fixedPdfTextMapping(const QByteArray& pdf);

// Applies the fix to a PDF file, replacing it crash-safely. Does nothing to
// a file that needs no change or cannot be read.
void fixPdfTextMapping(const QString& path);

// Runs print, which paints onto a printer set to write a PDF file, so that
// the file appears whole or not at all: the PDF goes to a temporary file in
// the same folder, is checked to be complete and has its text mapping fixed,
// and then takes the file's place. Raises FileAccess, leaving any old file
// as it was, when the PDF could not be written.
void printPdfSafely(QPrinter& printer, const std::function<void()>& print);

}  // namespace platform
