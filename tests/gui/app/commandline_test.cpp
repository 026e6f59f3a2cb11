// The command line, read before any window exists.
#include "app/commandline.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

using Action = app::CommandLine::Action;

struct LineCase {
    const char* name;
    std::vector<const char*> args;  // after the program name
    Action action;
    QStringList files;  // relative names, against the current folder
};

class CommandLineParse : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineParse, ReadsOptionsAndFiles) {
    std::vector<const char*> argv{"scrivlet"};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    const app::CommandLine line = app::parseCommandLine(int(argv.size()), argv.data());
    EXPECT_EQ(line.action, GetParam().action);
    QStringList expected;
    for (const QString& f : GetParam().files)
        expected << (QDir::isAbsolutePath(f) ? f : QDir::current().filePath(f));
    EXPECT_EQ(line.files, expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineParse,
    ::testing::Values(
        LineCase{"Nothing", {}, Action::Run, {}},
        LineCase{"FilesInOrderMadeAbsolute", {"b.rtf", "/tmp/../tmp/a.txt", "中文.rtf"}, Action::Run,
                 {"b.rtf", "/tmp/a.txt", "中文.rtf"}},
        LineCase{"HelpWinsOverFiles", {"a.rtf", "--help"}, Action::Help, {}},
        LineCase{"ShortHelp", {"-h"}, Action::Help, {}},
        LineCase{"Version", {"--version"}, Action::Version, {}},
        LineCase{"ShortVersion", {"-v", "a.rtf"}, Action::Version, {}},
        LineCase{"UnknownLong", {"--frobnicate"}, Action::Usage, {}},
        LineCase{"UnknownShort", {"a.rtf", "-x"}, Action::Usage, {}},
        LineCase{"DashDashEndsOptions", {"--", "-x.rtf", "--help"}, Action::Run, {"-x.rtf", "--help"}},
        LineCase{"LoneDashIsAFile", {"-"}, Action::Run, {"-"}},
        LineCase{"QtOptionWithValueIsLeftToQt", {"-style", "fusion", "a.rtf"}, Action::Run, {"a.rtf"}},
        LineCase{"QtOptionJoinedValue", {"--platform=xcb", "-reverse"}, Action::Run, {}},
        LineCase{"QtOptionMissingItsValue", {"-style"}, Action::Usage, {}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// What reportCommandLine printed to each stream, and its status.
struct Printed {
    int status;
    std::string out, err;
};

Printed report(std::vector<const char*> argv) {
    argv.insert(argv.begin(), "scrivlet");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = app::reportCommandLine(app::parseCommandLine(int(argv.size()), argv.data()), out, err);
    auto slurp = [](std::FILE* f) {
        std::string s;
        std::rewind(f);
        for (int c; (c = std::fgetc(f)) != EOF;)
            s += char(c);
        std::fclose(f);
        return s;
    };
    return {status, slurp(out), slurp(err)};
}

TEST(CommandLineReport, HelpAndVersionGoToStandardOutputUsageErrorsToStandardErrorWithStatus2) {
    const Printed help = report({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("scrivlet [OPTION]... [FILE]..."), std::string::npos);
    EXPECT_EQ(help.err, "");

    const Printed version = report({"-v"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "scrivlet 1.0.2\n");

    const Printed wrong = report({"--bogus"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err.rfind("scrivlet: 未知选项 --bogus", 0), 0u) << wrong.err;
    EXPECT_NE(wrong.err.find(help.out), std::string::npos);  // then the usage
}

}  // namespace
