// Appends one code point to a UTF-8 string: the text layer's encoder, for
// the corpus, JSON and peer-test helpers.
#pragma once

#include "text/utf8.h"

namespace rtf::test {

using text::appendUtf8;

}  // namespace rtf::test
