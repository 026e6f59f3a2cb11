// Reading the shared RTF corpus and judging our output against the
// expectations published beside each file.
#pragma once

#include "recording_sink.h"
#include "text_support.h"

#include <filesystem>
#include <string>
#include <vector>

namespace rtf::test {

std::filesystem::path corpusDir();
// Every RTF file of the corpus, relative to corpusDir(), sorted; empty when
// the corpus is absent.
std::vector<std::string> corpusFiles();

struct Verdict {
    bool assessed = false;  // the file has an oracle we can check
    bool met = false;
    std::string kind;  // "text", "words", "events", "asserts", "html"
    std::vector<std::string> failures;
};

// Reads the file and checks every oracle that sits beside it.
Verdict judge(const std::string& relativePath, const RecordingSink& ours);

// For files whose oracle is HTML (RtfPipe, rtf.js): every stretch of text
// the HTML marks bold, italic, underlined, struck through, superscript or
// subscript carries the same marks in our runs, and unmarked text none.
// assessed is false for files without such an oracle.
Verdict judgeFormatting(const std::string& relativePath, const RecordingSink& ours);
std::string knownFormattingMiss(const std::string& relativePath);

// Files whose oracle we knowingly do not meet, with the reason; empty
// string when the file is not on the list.
std::string knownMiss(const std::string& relativePath);

}  // namespace rtf::test
