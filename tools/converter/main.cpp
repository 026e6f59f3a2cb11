// scrivlet-rtf: the control's reading and writing on the command line.
//
//   scrivlet-rtf text [-v] FILE  print FILE's text as the editor shows it
//                                (-v: and the reader's warnings on stderr)
//   scrivlet-rtf convert IN OUT  load IN, write OUT (.rtf RTF, .txt plain text)
//
// convert goes through the very RichTextBox the editor uses (LoadFile,
// SaveFile), on Qt's offscreen platform unless QT_QPA_PLATFORM says
// otherwise; text reads the same text straight from the codec.
#include "document/documentfile.h"
#include "document/filetext.h"
#include "document/richtextbox.h"
#include "rtf/reader.h"
#include "platform/errors.h"
#include "platform/version.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <string>

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const Usage = "usage: scrivlet-rtf text [-v] FILE\n"
                          "       scrivlet-rtf convert IN OUT\n"
                          "       scrivlet-rtf --help | --version\n"
                          "\n"
                          "text     prints FILE's text (RTF, or plain text in UTF-8 or GB18030) as\n"
                          "         UTF-8, each paragraph and line break ending in a newline. -v\n"
                          "         also prints what the RTF reader found odd but read on past (an\n"
                          "         unknown code page, a character cut short, unbalanced braces) on\n"
                          "         the error stream, one line each.\n"
                          "convert  reads IN the same way and writes OUT by its extension: .rtf as\n"
                          "         RTF, .txt as plain text (in IN's encoding and line ends when IN\n"
                          "         is plain text, else UTF-8 with LF). Other extensions are refused.\n"
                          "\n"
                          "Exit status: 0 done, 1 the file could not be read or written, 2 usage.\n";

// Qt's own notices (a missing runtime folder, font fallbacks) are noise on a
// command line's error stream; real failures are reported by this program.
// SCRIVLET_RTF_VERBOSE=1 lets them through.
void quietQtNotices(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("SCRIVLET_RTF_VERBOSE"))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int usage(const char* problem) {
    if (problem)
        std::fprintf(stderr, "scrivlet-rtf: %s\n", problem);
    std::fputs(Usage, stderr);
    return ExitUsage;
}

int fail(const platform::Error& e) {
    std::fprintf(stderr, "scrivlet-rtf: error %d: %s\n", e.number(), e.what());
    return ExitFailure;
}

// The reader's warnings, one line each on the error stream; the text itself
// is left to fileText, which reads it as the control does.
class WarningPrinter final : public rtf::Sink {
public:
    void text(std::string_view, const rtf::CharFormat&) override {}
    void paragraphEnd(const rtf::ParaFormat&) override {}
    void warning(const rtf::Warning& w) override {
        std::fprintf(stderr, "scrivlet-rtf: warning: byte %llu: %.*s\n", static_cast<unsigned long long>(w.offset),
                     int(w.message.size()), w.message.data());
    }
};

// The text straight from the codec, without building the document the
// control would hold: the same text (a test compares the two on the corpus),
// several times faster, and without the GUI library set up.
int printText(const QString& path, bool warnings) {
    const QByteArray bytes = document::readFileBytes(path);
    QByteArray out;
    try {
        out = document::fileText(bytes).toUtf8();
        const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
        if (warnings && rtf::looksLikeRtf(view)) {
            WarningPrinter printer;
            rtf::read(view, printer);
        }
    } catch (const rtf::ParseError& e) {
        std::fprintf(stderr, "scrivlet-rtf: error %d: not a valid RTF document (byte %llu: %s)\n",
                     platform::err::InvalidFileFormat, static_cast<unsigned long long>(e.offset()), e.what());
        return ExitFailure;
    }
    if (!out.isEmpty())
        out += '\n';
    if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) != std::size_t(out.size()) ||
        std::fflush(stdout) != 0) {
        std::fputs("scrivlet-rtf: cannot write to standard output\n", stderr);
        return ExitFailure;
    }
    return 0;
}

int convert(const QString& in, const QString& out) {
    const QString suffix = QFileInfo(out).suffix().toLower();
    int type = -1;
    if (suffix == QLatin1String("rtf"))
        type = 0;
    else if (suffix == QLatin1String("txt"))
        type = 1;
    else
        return usage("OUT must end in .rtf or .txt");
    RichTextBox box;
    box.LoadFile(in);
    box.SaveFile(out, type);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "-h" || command == "--help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (command == "-v" || command == "--version") {
        std::printf("scrivlet-rtf %d.%d.%d\n", platform::kVersionMajor, platform::kVersionMinor,
                    platform::kVersionRevision);
        return 0;
    }
    const bool verboseText = command == "text" && argc == 4 && std::string(argv[2]) == "-v";
    if (!((command == "text" && (argc == 3 || verboseText)) || (command == "convert" && argc == 4)))
        return usage(argc > 1 && command != "text" && command != "convert" ? "unknown command" : nullptr);

    qInstallMessageHandler(quietQtNotices);
    const QString first = QString::fromLocal8Bit(argv[verboseText ? 3 : 2]);
    try {
        if (command == "text")
            return printText(first, verboseText);
        QApplication app(argc, argv);
        return convert(first, QString::fromLocal8Bit(argv[3]));
    } catch (const platform::Error& e) {
        return fail(e);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scrivlet-rtf: %s\n", e.what());
        return ExitFailure;
    }
}
