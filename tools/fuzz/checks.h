// What the fuzz targets check, one function per target, shared with the
// regression test that runs every file of tests/regressions through the same
// function. Each takes any bytes and returns "" when all is well, else what
// went wrong; a crash, a hang or a sanitizer report is a finding too.
#pragma once

#include "codec_checks.h"

#include <QString>

#include <string>
#include <string_view>

namespace fuzzcheck {

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
