// What the benchmarks share: a deterministic random generator for the
// documents they make, this process's memory figures, and the median of a
// series of timings.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace scrivlet::bench {

// xorshift64*: fast, deterministic, good enough for generated test data. A
// zero state would stay zero, so a zero seed is replaced.
class XorShift {
public:
    explicit XorShift(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }

private:
    std::uint64_t state_;
};

// A memory figure of this process from /proc/self/status, in kB, or -1
// where the kernel does not report it: VmHWM is the peak resident size so
// far, VmRSS the resident size now, RssAnon the memory allocated (not mapped
// from files such as the fonts and libraries) now.
inline long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::stol(line.substr(n + 1));
    }
    return -1;
}

inline long peakKb() {
    return statusKb("VmHWM");
}

// Sets VmHWM back to the resident size now (Linux 4.0 and later), so that
// the next peak is that of what follows.
inline void resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// The median (the mean of the middle two of an even count); -1 when empty.
inline double median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace scrivlet::bench
