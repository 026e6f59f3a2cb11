// libFuzzer target over the codec: any bytes are read as RTF (and as plain
// text); what the reader produced is written and read again. Crashes, hangs,
// sanitizer reports and a round trip that changes the text are findings.
#include "document/rtf/plaintext.h"
#include "document/rtf/reader.h"
#include "document/rtf/writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Collect : rtf::Sink {
    struct Run {
        std::string text;
        rtf::CharFormat format;
    };
    std::vector<std::pair<rtf::ParaFormat, std::vector<Run>>> paragraphs;
    std::vector<Run> current;
    std::string allText;
    void text(std::string_view t, const rtf::CharFormat& f) override {
        if (t.empty()) std::abort();  // the reader promises non-empty runs
        current.push_back({std::string(t), f});
        allText += t;
    }
    void paragraphEnd(const rtf::ParaFormat& p) override {
        paragraphs.emplace_back(p, std::move(current));
        current.clear();
        allText += '\n';
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    rtf::DecodedText plain = rtf::decodePlainText(bytes);
    (void)rtf::encodePlainText(plain.utf8, plain.encoding, plain.lineEnd);

    Collect first;
    try {
        rtf::read(bytes, first);
    } catch (const rtf::ParseError&) {
        return 0;
    }
    rtf::Writer w;
    for (const auto& [format, runs] : first.paragraphs) {
        w.beginParagraph(format);
        for (const auto& r : runs) w.text(r.text, r.format);
        w.endParagraph();
    }
    const std::string rtf = w.finish();
    Collect second;
    rtf::read(rtf, second);
    if (second.allText != first.allText) std::abort();
    return 0;
}
