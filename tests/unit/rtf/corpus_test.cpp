// The shared corpus of RTF files other programs wrote: every file is read
// without crash or hang, meets the oracle published beside it (or is on the
// list of known misses, with the reason), and survives a write+read round
// trip.
#include "corpus_support.h"

#include <gtest/gtest.h>

#include <iostream>

namespace rtf::test {
namespace {

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string n;
    for (char c : info.param)
        n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return n;
}

class Corpus : public testing::TestWithParam<std::string> {};

TEST_P(Corpus, MeetsItsOracle) {
    const std::string& rel = GetParam();
    RecordingSink ours = readRtf(readFile(corpusDir() / rel));
    Verdict v = judge(rel, ours);
    if (!v.assessed)
        GTEST_SKIP() << rel << ": no oracle; read without crash (" << ours.paragraphs.size() << " paragraphs)";
    const std::string miss = knownMiss(rel);
    if (!miss.empty()) {
        EXPECT_FALSE(v.met) << rel << " now meets its oracle: take it off the list of known misses";
        if (!v.met)
            GTEST_SKIP() << "known miss: " << miss;
        return;
    }
    for (const auto& f : v.failures)
        ADD_FAILURE() << rel << " (" << v.kind << "): " << f;
}

TEST_P(Corpus, MatchesTheExpectedFormatting) {
    const std::string& rel = GetParam();
    RecordingSink ours = readRtf(readFile(corpusDir() / rel));
    Verdict v = judgeFormatting(rel, ours);
    if (!v.assessed)
        GTEST_SKIP() << rel << ": no HTML oracle for formatting";
    const std::string miss = knownFormattingMiss(rel);
    if (!miss.empty()) {
        EXPECT_FALSE(v.met) << rel << " now meets its formatting oracle: take it off the list";
        if (!v.met)
            GTEST_SKIP() << "known miss: " << miss;
        return;
    }
    for (const auto& f : v.failures)
        ADD_FAILURE() << rel << " (formatting): " << f;
}

TEST_P(Corpus, SurvivesWriteAndReadAgain) {
    const std::string& rel = GetParam();
    RecordingSink first = readRtf(readFile(corpusDir() / rel));
    const std::string rtf = writeRtf(first.paragraphs);
    RecordingSink second = readRtf(rtf);

    std::vector<Paragraph> a = first.paragraphs, b = second.paragraphs;
    // The writer chooses each font's \fcharset (134 for Chinese fonts, the
    // given one else, 0 when none was given): the one property it does not
    // copy verbatim.
    for (auto* doc : {&a, &b})
        for (auto& p : *doc)
            for (auto& r : p.runs)
                r.format.fontCharset = 0;
    a = mergedRuns(a);
    b = mergedRuns(b);
    ASSERT_EQ(a.size(), b.size()) << rel;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].text(), b[i].text()) << rel << " paragraph " << i + 1;
        EXPECT_EQ(a[i].format, b[i].format) << rel << " paragraph " << i + 1;
        ASSERT_EQ(a[i].runs.size(), b[i].runs.size()) << rel << " paragraph " << i + 1;
        for (std::size_t k = 0; k < a[i].runs.size(); ++k)
            EXPECT_EQ(a[i].runs[k], b[i].runs[k]) << rel << " paragraph " << i + 1 << " run " << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, testing::ValuesIn(corpusFiles()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

TEST(CorpusScore, PrintsHowManyOraclesAreMet) {
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "RTF corpus not found at " << corpusDir() << " (set SCRIVLET_CORPUS_DIR)";
    int assessed = 0, met = 0, known = 0;
    for (const auto& rel : files) {
        Verdict v = judge(rel, readRtf(readFile(corpusDir() / rel)));
        if (!v.assessed)
            continue;
        ++assessed;
        if (v.met)
            ++met;
        else if (!knownMiss(rel).empty())
            ++known;
        else
            std::cout << "  not met: " << rel << "\n";
    }
    std::cout << "corpus: " << met << "/" << assessed << " oracles met (" << files.size() << " files read, " << known
              << " known misses)\n";
    EXPECT_EQ(met + known, assessed);
    int fAssessed = 0, fMet = 0, fKnown = 0;
    for (const auto& rel : files) {
        Verdict v = judgeFormatting(rel, readRtf(readFile(corpusDir() / rel)));
        if (!v.assessed)
            continue;
        ++fAssessed;
        if (v.met)
            ++fMet;
        else if (!knownFormattingMiss(rel).empty())
            ++fKnown;
        else
            std::cout << "  formatting not met: " << rel << "\n";
    }
    std::cout << "corpus formatting (HTML oracles): " << fMet << "/" << fAssessed << " met (" << fKnown
              << " known misses)\n";
    EXPECT_EQ(fMet + fKnown, fAssessed);
}

}  // namespace
}  // namespace rtf::test
