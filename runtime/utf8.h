// One UTF-8 sequence at a time, for readers that take each byte as it comes.
#pragma once

#include <cstddef>
#include <string_view>

namespace lexidor {

// Decodes the well-formed UTF-8 sequence of two to four bytes that starts
// at `bytes[at]` (no over-long form, no surrogate, nothing past U+10FFFF):
// its length, with the code point in `*code`; 0 when no such sequence
// starts there (an ASCII byte included).
size_t DecodeUtf8Sequence(std::string_view bytes, size_t at, char32_t* code);

}  // namespace lexidor
