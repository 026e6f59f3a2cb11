#include "checks.h"

#include "document/richtextbox.h"
#include "text/plaintext.h"
#include "rtf/reader.h"
#include "rtf/writer.h"
#include "document/rtfexport.h"
#include "platform/errors.h"
#include "platform/registry/hive_format.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTextDocument>

#include <vector>

namespace fuzzcheck {

namespace {

bool validUtf8(std::string_view s) {
    return QUtf8StringView(s).isValidUtf8();
}

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
        if (!validUtf8(utf8) && problem.empty())
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
               (run.format.hasBackground ? " bg" + std::to_string(run.format.background) : std::string()) +
               " va" + std::to_string(int(run.format.verticalAlign)) + "]" + run.text;
    return out;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        // A font whose character set was not given gets one when written.
        for (std::size_t r = 0; r < first.paragraphs[i].runs.size() && r < second.paragraphs[i].runs.size(); ++r) {
            if (first.paragraphs[i].runs[r].format.fontCharset == -1)
                first.paragraphs[i].runs[r].format.fontCharset = second.paragraphs[i].runs[r].format.fontCharset;
        }
        if (!(first.paragraphs[i] == second.paragraphs[i]))
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

std::string hive(std::string_view bytes) {
    using namespace platform::registry;
    const QByteArray input(bytes.data(), qsizetype(bytes.size()));
    HiveDocument doc(QStringLiteral("HKEY_CURRENT_USER"));
    if (!doc.parse(input))
        return {};
    if (!input.startsWith("\xFF\xFE") && doc.serialize() != input)
        return "an unchanged hive is not written back as it was";
    const QStringList key = {QStringLiteral("Software"), QStringLiteral("Fuzz")};
    const Value value = Value::dword(0x2a);
    doc.setValue(key, QStringLiteral("Number"), value);
    const QByteArray written = doc.serialize();
    HiveDocument reread(QStringLiteral("HKEY_CURRENT_USER"));
    QString problem;
    if (!reread.parse(written, &problem))
        return "the written hive does not parse: " + problem.toStdString();
    if (reread.value(key, QStringLiteral("number")) != value)
        return "the value written is not read back";
    if (reread.serialize() != written)
        return "the written hive is not stable";
    return {};
}

std::string control(std::string_view bytes, const QString& scratchFolder) {
    const QString input = scratchFolder + QStringLiteral("/input");
    const QString asRtf = scratchFolder + QStringLiteral("/saved.rtf");
    const QString asText = scratchFolder + QStringLiteral("/saved.txt");
    {
        QFile f(input);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return "cannot write the scratch file";
    }
    RichTextBox box;
    box.resize(400, 300);
    try {
        box.LoadFile(input);
    } catch (const platform::Error&) {
        return {};  // refused with an error: the content is kept, all is well
    }
    (void)box.document()->documentLayout()->documentSize();  // lays out every block
    const QString text = document::plainText(*box.document());
    try {
        box.SaveFile(asRtf, 0);
        box.SaveFile(asText, 1);
    } catch (const platform::Error& e) {
        return "saving failed: " + e.description().toStdString();
    }
    const QByteArray original(bytes.data(), qsizetype(bytes.size()));
    if (!rtf::looksLikeRtf(bytes) && fileBytes(asText) != original)
        return "an unedited text file was not saved back byte for byte";
    RichTextBox again;
    try {
        again.LoadFile(asRtf);
    } catch (const platform::Error& e) {
        return "the saved RTF does not load: " + e.description().toStdString();
    }
    if (document::plainText(*again.document()) != text)
        return "the saved RTF reads back as other text";
    return {};
}

}  // namespace fuzzcheck
