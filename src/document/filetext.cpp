#include "document/filetext.h"

#include "text/plaintext.h"
#include "rtf/reader.h"
#include "document/rtfimport.h"

#include <string_view>

namespace document {

namespace {

std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

// Appends text the way inserting it into a document and reading it back as
// plain text shows it: inserting ends a block at "\r\n", '\r', '\n', U+2029
// and at the two frame marks; plain text shows block ends and line
// separators (U+2028) as '\n' and leaves out U+FFFC, which stands for a
// picture.
void appendInserted(QString& out, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if ((c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') || c == 0xFFFC)
            continue;  // the '\n' ends the block
        const bool breaks = c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
        out += breaks ? QChar(u'\n') : text.at(i);
    }
}

// The paragraphs the RTF importer would make, joined by '\n': a paragraph's
// end only counts once another paragraph follows it.
class TextSink final : public rtf::Sink {
public:
    void text(std::string_view utf8, const rtf::CharFormat&) override {
        startParagraph();
        appendInserted(out, documentText(utf8));
    }
    void picture(const rtf::Picture&, const rtf::CharFormat&) override {
        startParagraph();  // and no text: pictures are left out of plain text
    }
    void paragraphEnd(const rtf::ParaFormat&) override {
        if (pendingBreak_)
            out += QChar(u'\n');
        pendingBreak_ = true;
    }
    QString out;

private:
    void startParagraph() {
        if (pendingBreak_)
            out += QChar(u'\n');
        pendingBreak_ = false;
    }
    bool pendingBreak_ = false;
};

}  // namespace

QString fileText(const QByteArray& bytes) {
    if (rtf::looksLikeRtf(viewOf(bytes))) {
        TextSink sink;
        sink.out.reserve(bytes.size() / 4);
        rtf::read(viewOf(bytes), sink);
        return sink.out;
    }
    const text::DecodedText decoded = text::decodePlainText(viewOf(bytes));
    QString text;
    appendInserted(text, fromUtf8(decoded.utf8));
    return text;
}

}  // namespace document
