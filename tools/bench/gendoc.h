// Generated documents for benchmarks: Chinese and ASCII text mixed, a format
// change every 20 to 80 characters, paragraphs of 50 to 400 characters, some
// centred or right-aligned, several fonts and colours. Deterministic for a
// seed. Plain C++ (the RTF codec's formats), so the codec benchmark and the
// control's LoadFile benchmark share it.
#pragma once

#include "benchsupport.h"
#include "rtf/format.h"
#include "rtf/writer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scrivlet::bench {

struct GenRun {
    std::string text;  // UTF-8
    rtf::CharFormat format;
};

struct GenParagraph {
    rtf::ParaFormat format;
    std::vector<GenRun> runs;
};

class DocumentGenerator {
public:
    explicit DocumentGenerator(std::uint64_t seed = 1) : random_(seed * 0x9E3779B97F4A7C15ull + 1) {}

    GenParagraph nextParagraph() {
        GenParagraph p;
        int r = below(100);
        p.format.alignment = r < 70 ? rtf::Alignment::Left : r < 85 ? rtf::Alignment::Centre : rtf::Alignment::Right;
        if (below(4) == 0)
            p.format.firstLineIndent = 420;
        int length = 50 + below(351);  // characters
        while (length > 0) {
            int runLength = 20 + below(61);
            if (runLength > length)
                runLength = length;
            length -= runLength;
            GenRun run;
            run.format = nextFormat();
            appendText(run.text, runLength);
            p.runs.push_back(std::move(run));
        }
        return p;
    }

private:
    // Common Chinese characters and punctuation, and ASCII words.
    static constexpr std::string_view kHanzi =
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定"
        "行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其"
        "些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建"
        "月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接"
        "知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百规热领七海口东导器"
        "压志世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速花带安场身车例真务具万每目至达走积示议"
        "声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律叫且究观越织装影算低持音众书布复"
        "容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感劳便团往酸历市克何除消构府称太准精值号率族维划选标"
        "写存候毛亲快效斯院查江型眼王按格养易置派层片始却专状育厂京识适属圆包火住调满县局照参红细引听该铁价严，。、；：？！";
    static constexpr std::string_view kWords[] = {"the",      "quick",  "brown",    "fox",  "RTF",
                                                  "document", "editor", "Qt",       "2026", "benchmark",
                                                  "text",     "format", "Scrivlet", "page", "data"};
    static constexpr const char* kFonts[] = {"宋体", "黑体", "楷体", "微软雅黑", "Arial", "Times New Roman"};
    static constexpr int kSizes[] = {18, 21, 24, 28, 32, 36};
    static constexpr std::uint32_t kColors[] = {0xC00000, 0x0070C0, 0x00B050, 0x7030A0};

    std::uint64_t next() { return random_.next(); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

    rtf::CharFormat nextFormat() {
        rtf::CharFormat f;
        f.fontName = kFonts[below(std::size(kFonts))];
        f.sizeHalfPoints = kSizes[below(std::size(kSizes))];
        f.bold = below(4) == 0;
        f.italic = below(6) == 0;
        f.underline = below(8) == 0;
        f.strike = below(30) == 0;
        if (below(3) == 0) {
            f.hasColor = true;
            f.color = kColors[below(std::size(kColors))];
        }
        if (below(20) == 0) {
            f.hasBackground = true;
            f.background = 0xFFFF00;
        }
        return f;
    }

    void appendText(std::string& out, int characters) {
        bool chinese = below(3) != 0;
        while (characters > 0) {
            if (chinese) {
                int n = 1 + below(12);
                for (int i = 0; i < n && characters > 0; ++i, --characters) {
                    std::size_t at = static_cast<std::size_t>(below(static_cast<int>(kHanzi.size() / 3))) * 3;
                    out.append(kHanzi.substr(at, 3));
                }
            } else {
                std::string_view w = kWords[below(std::size(kWords))];
                if (static_cast<int>(w.size()) + 1 > characters)
                    w = w.substr(0, static_cast<std::size_t>(characters));
                out.append(w);
                characters -= static_cast<int>(w.size());
                if (characters > 0) {
                    out.push_back(' ');
                    --characters;
                }
            }
            chinese = below(3) != 0;
        }
    }

    bench::XorShift random_;
};

// Paragraphs whose RTF is about targetBytes long (within a paragraph).
inline std::vector<GenParagraph> generateParagraphs(std::size_t targetRtfBytes, std::uint64_t seed = 1) {
    DocumentGenerator gen(seed);
    std::vector<GenParagraph> doc;
    std::size_t estimate = 200;
    while (estimate < targetRtfBytes) {
        GenParagraph p = gen.nextParagraph();
        estimate += 20;
        for (const GenRun& r : p.runs) {
            // A run's group and formatting words, then its characters: ASCII
            // as is, a Chinese character as \uN with two fallback bytes.
            estimate += 60;
            for (unsigned char c : r.text)
                if (c < 0x80)
                    ++estimate;
                else if (c >= 0xC0)
                    estimate += 15;
        }
        doc.push_back(std::move(p));
    }
    return doc;
}

inline std::string writeRtf(const std::vector<GenParagraph>& doc) {
    rtf::Writer w;
    for (const GenParagraph& p : doc) {
        w.beginParagraph(p.format);
        for (const GenRun& r : p.runs)
            w.text(r.text, r.format);
        w.endParagraph();
    }
    return w.finish();
}

// An RTF document of about targetBytes, written by the codec's writer.
inline std::string generateRtf(std::size_t targetBytes, std::uint64_t seed = 1) {
    return writeRtf(generateParagraphs(targetBytes, seed));
}

}  // namespace scrivlet::bench
