#include "app/commandline.h"

#include "platform/version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <string_view>

namespace app {

namespace {

constexpr const char* Help = "用法：scrivlet [选项] [文件...]\n"
                             "Usage: scrivlet [OPTION]... [FILE]...\n"
                             "\n"
                             "RTF 与纯文本编辑器。每个文件依次打开：第一个在“文档 1”中，其余各在新的文档窗口中。\n"
                             "Editor for RTF and plain-text documents. Each FILE opens in turn: the first\n"
                             "in 文档 1, each further one in a new document window.\n"
                             "\n"
                             "  -h, --help     显示此帮助并退出 / show this help and exit\n"
                             "  -v, --version  显示版本并退出 / show the version and exit\n"
                             "  --             其后的参数都是文件名 / every later argument is a FILE\n"
                             "\n"
                             "Qt 的通用选项（如 -style、-platform）照常可用。\n"
                             "Qt's common options (such as -style and -platform) work as usual.\n";

// Qt's own options that a desktop session or a user may pass, and whether
// each takes a value (as "-style fusion" or "-style=fusion").
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr std::array<QtOption, 14> QtOptions = {{
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-session", true},
    {"-display", true},
    {"-geometry", true},
    {"-qwindowgeometry", true},
    {"-qwindowtitle", true},
    {"-qwindowicon", true},
    {"-reverse", false},
    {"-widgetcount", false},
}};

const QtOption* qtOption(std::string_view arg) {
    if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-')
        arg.remove_prefix(1);  // Qt reads --style as -style
    const std::string_view name = arg.substr(0, arg.find('='));
    for (const QtOption& option : QtOptions)
        if (option.name == name)
            return &option;
    return nullptr;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            // A file, relative to the folder the program was started in; its
            // caption is the full path, as after File › Open.
            line.files << QDir::cleanPath(QFileInfo(QFile::decodeName(argv[i])).absoluteFilePath());
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            return {CommandLine::Action::Help, {}, {}};
        } else if (arg == "-v" || arg == "--version") {
            return {CommandLine::Action::Version, {}, {}};
        } else if (const QtOption* option = qtOption(arg)) {
            if (option->takesValue && arg.find('=') == std::string_view::npos) {
                if (i + 1 == argc)
                    return {
                        CommandLine::Action::Usage,
                        {},
                        QStringLiteral("选项 %1 缺少参数 (option needs a value)").arg(QString::fromLocal8Bit(argv[i]))};
                ++i;
            }
        } else {
            return {CommandLine::Action::Usage,
                    {},
                    QStringLiteral("未知选项 %1 (unknown option)").arg(QString::fromLocal8Bit(argv[i]))};
        }
    }
    return line;
}

int reportCommandLine(const CommandLine& line, std::FILE* out, std::FILE* err) {
    switch (line.action) {
    case CommandLine::Action::Help: std::fputs(Help, out); return 0;
    case CommandLine::Action::Version:
        std::fprintf(out, "scrivlet %d.%d.%d\n", platform::kVersionMajor, platform::kVersionMinor,
                     platform::kVersionRevision);
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(err, "scrivlet: %s\n", line.problem.toUtf8().constData());
        std::fputs(Help, err);
        return 2;
    case CommandLine::Action::Run: break;
    }
    return 0;
}

}  // namespace app
