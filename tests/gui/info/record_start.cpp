// A stand-in for a program that another program starts: appends how it was
// started to the file named by SCRIVLET_RECORD_START, then exits. One record
// per start: "argv0=<argv[0]>", one "arg=<text>" per argument, "cwd=<folder>",
// then "end".
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* path = std::getenv("SCRIVLET_RECORD_START");
    if (!path || !*path)
        return 2;
    std::FILE* f = std::fopen(path, "a");
    if (!f)
        return 3;
    std::fprintf(f, "argv0=%s\n", argc > 0 ? argv[0] : "");
    for (int i = 1; i < argc; ++i)
        std::fprintf(f, "arg=%s\n", argv[i]);
    char cwd[PATH_MAX];
    std::fprintf(f, "cwd=%s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
    std::fprintf(f, "end\n");
    return std::fclose(f) == 0 ? 0 : 4;
}
