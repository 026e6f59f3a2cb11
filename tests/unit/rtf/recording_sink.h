// A Sink that keeps what the reader produced, for tests to compare.
#pragma once

#include "rtf/reader.h"
#include "rtf/writer.h"

#include <string>
#include <vector>

#include <ostream>

namespace rtf {
// Readable failure messages for the codec's formats.
inline void PrintTo(const CharFormat& f, std::ostream* os) {
    *os << "{font \"" << f.fontName << "\" cs" << f.fontCharset << " fs" << f.sizeHalfPoints << (f.bold ? " b" : "")
        << (f.italic ? " i" : "") << (f.underline ? " ul" : "") << (f.strike ? " strike" : "");
    if (f.hasColor)
        *os << " cf#" << std::hex << f.color << std::dec;
    if (f.hasBackground)
        *os << " bg#" << std::hex << f.background << std::dec;
    if (f.verticalAlign == VerticalAlign::Super)
        *os << " super";
    if (f.verticalAlign == VerticalAlign::Sub)
        *os << " sub";
    *os << "}";
}
inline void PrintTo(const ParaFormat& p, std::ostream* os) {
    *os << "{align " << static_cast<int>(p.alignment) << " li" << p.leftIndent << " ri" << p.rightIndent << " fi"
        << p.firstLineIndent << " sb" << p.spaceBefore << " sa" << p.spaceAfter << "}";
}
}  // namespace rtf

namespace rtf::test {

struct Run {
    std::string text;
    CharFormat format;
    bool operator==(const Run&) const = default;
};
inline void PrintTo(const Run& r, std::ostream* os) {
    *os << "\"" << r.text << "\" ";
    rtf::PrintTo(r.format, os);
}

struct Paragraph {
    std::vector<Run> runs;
    ParaFormat format;
    std::string text() const {
        std::string t;
        for (const Run& r : runs)
            t += r.text;
        return t;
    }
    bool operator==(const Paragraph&) const = default;
};

// A picture and where it stood: its paragraph and the text before it there.
struct PlacedPicture {
    std::size_t paragraph;
    std::string textBefore;
    Picture picture;
};

class RecordingSink : public Sink {
public:
    std::vector<Paragraph> paragraphs;
    std::vector<PlacedPicture> pictures;
    std::size_t textCalls = 0;

    void picture(const Picture& p, const CharFormat&) override {
        pictures.push_back({paragraphs.size(), current_.text(), p});
    }

    void text(std::string_view utf8, const CharFormat& format) override {
        ++textCalls;
        current_.runs.push_back({std::string(utf8), format});
    }
    void paragraphEnd(const ParaFormat& format) override {
        current_.format = format;
        paragraphs.push_back(std::move(current_));
        current_ = Paragraph{};
    }

    // Paragraph texts joined by '\n'.
    std::string plainText() const {
        std::string t;
        for (std::size_t i = 0; i < paragraphs.size(); ++i) {
            if (i)
                t += '\n';
            t += paragraphs[i].text();
        }
        return t;
    }

private:
    Paragraph current_;
};

inline RecordingSink readRtf(std::string_view bytes) {
    RecordingSink sink;
    read(bytes, sink);
    return sink;
}

// Writes recorded paragraphs back out through the Writer.
inline std::string writeRtf(const std::vector<Paragraph>& paragraphs) {
    Writer w;
    for (const Paragraph& p : paragraphs) {
        w.beginParagraph(p.format);
        for (const Run& r : p.runs)
            w.text(r.text, r.format);
        w.endParagraph();
    }
    return w.finish();
}

// Adjacent runs of equal format joined: the same document, whatever the
// run boundaries.
inline std::vector<Paragraph> mergedRuns(std::vector<Paragraph> paragraphs) {
    for (Paragraph& p : paragraphs) {
        std::vector<Run> merged;
        for (Run& r : p.runs) {
            if (!merged.empty() && merged.back().format == r.format)
                merged.back().text += r.text;
            else
                merged.push_back(std::move(r));
        }
        p.runs = std::move(merged);
    }
    return paragraphs;
}

}  // namespace rtf::test
