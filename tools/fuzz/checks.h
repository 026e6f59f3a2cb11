// What the fuzz targets check, one function per target, shared with the
// regression test that runs every file of tests/regressions through the same
// function. Each takes any bytes and returns "" when all is well, else what
// went wrong; a crash, a hang or a sanitizer report is a finding too.
#pragma once

#include <QString>

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

// The settings file parser: an unchanged hive is written back byte for byte
// (UTF-16 files become UTF-8), and one with a value added is read back with
// that value.
std::string hive(std::string_view bytes);

// The rich-text control: LoadFile, a full layout, SaveFile as RTF and as
// text into scratchFolder, and the RTF loaded again gives the same text. An
// unedited plain-text file is saved back byte for byte. Needs a
// QApplication.
std::string control(std::string_view bytes, const QString& scratchFolder);

}  // namespace fuzzcheck
