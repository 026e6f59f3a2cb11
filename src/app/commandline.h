// The program's command line: `scrivlet [OPTION]... [FILE]...`. Read before
// any window or display exists, so that --help and --version work anywhere.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    QStringList files;  // absolute paths, in the order given
    QString problem;    // for Usage: what was wrong
};

// Reads the arguments after the program name. Options come before or among
// the files; "--" makes every later argument a file, and "-" alone is a
// file too. The options Qt itself takes (-style, -platform, -session ...)
// are left for QApplication and not reported.
CommandLine parseCommandLine(int argc, const char* const* argv);

// Prints what a non-Run action asks for (help and version to out, usage to
// err) and returns the exit status: 0, or 2 for a usage error.
int reportCommandLine(const CommandLine& line, std::FILE* out, std::FILE* err);

}  // namespace app
