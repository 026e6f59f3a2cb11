#include "codec_checks.h"

#include "rtf/reader.h"
#include "rtf/writer.h"
#include "text/plaintext.h"
#include "text/utf8.h"

#include <vector>

namespace fuzzcheck {

namespace {

// The reader's output, with adjacent runs of the same format merged, so that
// two reads that split the text differently still compare equal.
struct Document : rtf::Sink {
    struct Run {
        std::string text;
        rtf::CharFormat format;
        bool operator==(const Run&) const = default;
    };
    struct Paragraph {
        rtf::ParaFormat format;
        std::vector<Run> runs;
        bool operator==(const Paragraph&) const = default;
    };
    std::vector<Paragraph> paragraphs;
    std::vector<Run> open;
    std::string problem;

    void text(std::string_view utf8, const rtf::CharFormat& format) override {
        if (utf8.empty() && problem.empty())
            problem = "an empty run";
        if (!text::isValidUtf8(utf8) && problem.empty())
            problem = "a run that is not UTF-8";
        if (!open.empty() && open.back().format == format)
            open.back().text += utf8;
        else
            open.push_back({std::string(utf8), format});
    }
    void paragraphEnd(const rtf::ParaFormat& format) override {
        paragraphs.push_back({format, std::move(open)});
        open.clear();
    }
};

// Reads bytes into doc; "" or what went wrong.
std::string readInto(std::string_view bytes, Document& doc) {
    try {
        rtf::read(bytes, doc);
    } catch (const rtf::ParseError& e) {
        if (rtf::looksLikeRtf(bytes))
            return std::string("refused although it starts as RTF: ") + e.what();
        return "not rtf";
    }
    if (!doc.problem.empty())
        return doc.problem;
    if (doc.paragraphs.empty())
        return "no paragraph";
    if (!doc.open.empty())
        return "text after the last paragraph";
    return {};
}

std::string describe(const Document::Paragraph& p, std::size_t index) {
    std::string out = "paragraph " + std::to_string(index) + ":";
    for (const auto& run : p.runs)
        out += " [" + run.format.fontName.substr(0, 40) + " cs" + std::to_string(run.format.fontCharset) + " fs" +
               std::to_string(run.format.sizeHalfPoints) + (run.format.bold ? " b" : "") +
               (run.format.italic ? " i" : "") + (run.format.underline ? " ul" : "") +
               (run.format.strike ? " strike" : "") +
               (run.format.hasColor ? " cf" + std::to_string(run.format.color) : std::string()) +
               (run.format.hasBackground ? " bg" + std::to_string(run.format.background) : std::string()) + " va" +
               std::to_string(int(run.format.verticalAlign)) + "]" + run.text;
    return out;
}

// Whether a paragraph read back holds the same text in the same formats.
// Runs are compared character range by character range, not run by run: a
// font is written with the character set writtenCharset gives it, so two
// runs that differed only there may come back as one.
bool sameParagraph(const Document::Paragraph& first, const Document::Paragraph& second) {
    if (!(first.format == second.format))
        return false;
    std::string a, b;
    for (const auto& run : first.runs)
        a += run.text;
    for (const auto& run : second.runs)
        b += run.text;
    if (a != b)
        return false;
    std::size_t i = 0, j = 0, endA = 0, endB = 0;
    while (i < first.runs.size() && j < second.runs.size()) {
        rtf::CharFormat expected = first.runs[i].format;
        expected.fontCharset = rtf::writtenCharset(expected.fontName, expected.fontCharset);
        if (!(expected == second.runs[j].format))
            return false;
        const std::size_t nextA = endA + first.runs[i].text.size();
        const std::size_t nextB = endB + second.runs[j].text.size();
        if (nextA <= nextB)
            endA = nextA, ++i;
        if (nextB <= nextA)
            endB = nextB, ++j;
    }
    return true;
}

}  // namespace

std::string rtfReader(std::string_view bytes) {
    Document doc;
    const std::string problem = readInto(bytes, doc);
    return problem == "not rtf" ? std::string() : problem;
}

std::string rtfRoundTrip(std::string_view bytes) {
    Document first;
    if (const std::string problem = readInto(bytes, first); !problem.empty())
        return problem == "not rtf" ? std::string() : problem;
    rtf::Writer writer;
    for (const auto& paragraph : first.paragraphs) {
        writer.beginParagraph(paragraph.format);
        for (const auto& run : paragraph.runs)
            writer.text(run.text, run.format);
        writer.endParagraph();
    }
    const std::string written = writer.finish();
    Document second;
    if (const std::string problem = readInto(written, second); !problem.empty())
        return "the written RTF: " + problem;
    if (first.paragraphs.size() != second.paragraphs.size())
        return "paragraphs " + std::to_string(first.paragraphs.size()) + " became " +
               std::to_string(second.paragraphs.size());
    for (std::size_t i = 0; i < first.paragraphs.size(); ++i) {
        if (!sameParagraph(first.paragraphs[i], second.paragraphs[i]))
            return describe(first.paragraphs[i], i) + "\n   read back as " + describe(second.paragraphs[i], i);
    }
    return {};
}

std::string plainText(std::string_view bytes) {
    const text::DecodedText decoded = text::decodePlainText(bytes);
    const std::string saved = text::encodePlainText(decoded.utf8, decoded.encoding, decoded.lineEnd);
    const text::DecodedText again = text::decodePlainText(saved);
    if (again.utf8 != decoded.utf8)
        return "the text changed when saved";
    if (text::encodePlainText(again.utf8, again.encoding, again.lineEnd) != saved)
        return "a second save changed the bytes";
    return {};
}

}  // namespace fuzzcheck
