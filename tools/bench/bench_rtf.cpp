// scrivlet-bench-rtf: reader and writer throughput and peak memory of the
// RTF codec over generated documents of 1, 10 and 50 MB. Prints medians of
// several repetitions. Not a test: it prints figures.
#include "benchsupport.h"
#include "gendoc.h"

#include "rtf/reader.h"

#include <algorithm>
#include <ctime>
#include <sys/resource.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using scrivlet::bench::median;
using scrivlet::bench::resetPeak;

using Clock = std::chrono::steady_clock;

// Seconds of CPU time this thread has used: the figure that does not depend
// on what else the machine is doing.
double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// What a consumer does at least: look at every byte of text once.
class CountingSink : public rtf::Sink {
public:
    std::size_t bytes = 0, runs = 0, paragraphs = 0;
    unsigned checksum = 0;
    void text(std::string_view utf8, const rtf::CharFormat& f) override {
        bytes += utf8.size();
        ++runs;
        checksum += static_cast<unsigned char>(utf8.back()) + static_cast<unsigned>(f.sizeHalfPoints);
    }
    void paragraphEnd(const rtf::ParaFormat&) override { ++paragraphs; }
};

// Peak resident memory since the last reset, and the resident size now, in MB.
double peakMb() {
    return scrivlet::bench::peakKb() / 1024.0;
}
double residentMb() {
    return scrivlet::bench::statusKb("VmRSS") / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizesMb = {1, 10, 50};
    int reps = 5;
    if (argc > 1) {
        sizesMb.clear();
        for (int i = 1; i < argc; ++i)
            sizesMb.push_back(static_cast<std::size_t>(std::atoi(argv[i])));
    }
    std::printf("%-7s %10s %12s %12s %12s %12s %14s %14s\n", "size", "RTF bytes", "reader MB/s", "(CPU time)",
                "writer MB/s", "(CPU time)", "reader peak+MB", "writer peak+MB");
    for (std::size_t mb : sizesMb) {
        const auto doc = scrivlet::bench::generateParagraphs(mb * 1000 * 1000, 42);
        const std::string rtf = scrivlet::bench::writeRtf(doc);
        const double sizeMb = static_cast<double>(rtf.size()) / 1e6;
        const int n = mb >= 50 ? 3 : reps;

        std::vector<double> readRates, writeRates, readCpuRates, writeCpuRates;
        double readPeak = 0, writePeak = 0;
        std::size_t check = 0;
        for (int i = 0; i < n; ++i) {
            resetPeak();
            double base = residentMb();
            CountingSink sink;
            auto t0 = Clock::now();
            double c0 = cpuSeconds();
            rtf::read(rtf, sink);
            double s = std::chrono::duration<double>(Clock::now() - t0).count();
            readCpuRates.push_back(sizeMb / (cpuSeconds() - c0));
            readRates.push_back(sizeMb / s);
            readPeak = std::max(readPeak, peakMb() - base);
            check += sink.bytes + sink.checksum;

            resetPeak();
            base = residentMb();
            t0 = Clock::now();
            c0 = cpuSeconds();
            std::string out = scrivlet::bench::writeRtf(doc);
            s = std::chrono::duration<double>(Clock::now() - t0).count();
            writeCpuRates.push_back(static_cast<double>(out.size()) / 1e6 / (cpuSeconds() - c0));
            writeRates.push_back(static_cast<double>(out.size()) / 1e6 / s);
            writePeak = std::max(writePeak, peakMb() - base);
            check += out.size();
        }
        std::printf("%-7s %10zu %12.0f %12.0f %12.0f %12.0f %14.1f %14.1f\n", (std::to_string(mb) + " MB").c_str(),
                    rtf.size(), median(readRates), median(readCpuRates), median(writeRates), median(writeCpuRates),
                    readPeak, writePeak);
        if (check == 0)
            std::printf("(nothing read)\n");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("medians of 5 runs (3 for 50 MB); MB/s over wall-clock time and over the thread's CPU time;\n"
                "peak+ = VmHWM above the resident size before the run (the document and its RTF are held\n"
                "outside the runs); process peak RSS %.1f MB\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
