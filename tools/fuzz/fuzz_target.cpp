// One libFuzzer target; SCRIVLET_FUZZ_CHECK names which check of checks.h
// it runs (see CMakeLists.txt). A finding is printed and ends the run, so
// that libFuzzer keeps the input as a crash file.
#if SCRIVLET_FUZZ_CHECK_CONTROL
#include "checks.h"

#include <QApplication>
#include <QTemporaryDir>
#elif SCRIVLET_FUZZ_CHECK_CODEC
#include "codec_checks.h"
#else
#include "checks.h"
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

std::string runCheck(std::string_view bytes) {
#if SCRIVLET_FUZZ_CHECK_CONTROL
    static QTemporaryDir scratch;
    return fuzzcheck::control(bytes, scratch.path());
#else
    return fuzzcheck::SCRIVLET_FUZZ_CHECK(bytes);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
#if SCRIVLET_FUZZ_CHECK_CONTROL
    // The control needs an application; it never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
#else
    (void)argc;
    (void)argv;
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string finding = runCheck(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!finding.empty()) {
        std::fprintf(stderr, "finding: %s\n", finding.c_str());
        std::abort();
    }
    return 0;
}
