// A generated RTF document of a given size, shaped like real documents:
// Chinese and ASCII text mixed, a format change every 20 to 80 characters,
// paragraphs of 50 to 400 characters, some centred or right-aligned, several
// fonts, sizes and colours; Chinese written both as \uN and as GBK \'hh
// pairs, the two ways other programs write it. Deterministic for a seed.
// Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace loadbench {

std::string generateRtf(std::size_t targetBytes, std::uint64_t seed = 1);

}  // namespace loadbench
