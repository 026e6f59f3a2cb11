// A generated RTF document written the way other programs write Chinese
// documents, not through our writer: Chinese as GBK \'hh pairs in \fcharset134
// fonts (half the runs) or as \uN with a one-byte fallback, control words
// straight in the text, no groups per run. That packs several times the text
// into a megabyte as our writer's output does, so it loads slower: the
// benchmark's harder case. Otherwise shaped like the shared generator's
// documents (mixed Chinese and ASCII, a format change every 20 to 80
// characters, paragraphs of 50 to 400, some centred or right-aligned, several
// fonts, sizes and colours). Deterministic for a seed. Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace loadbench {

std::string generateForeignRtf(std::size_t targetBytes, std::uint64_t seed = 1);

}  // namespace loadbench
