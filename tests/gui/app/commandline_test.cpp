// The command line, read before any window exists.
#include "app/commandline.h"
#include "support/case_name.h"

#include <QDir>
#include <gtest/gtest.h>

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
    ::testing::Values(LineCase{"Nothing", {}, Action::Run, {}},
                      LineCase{"FilesInOrderMadeAbsolute",
                               {"b.rtf", "/tmp/../tmp/a.txt", "中文.rtf"},
                               Action::Run,
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
    CaseName());

}  // namespace
