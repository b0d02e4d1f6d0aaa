// Shard contents packed for a page to unpack: DEFLATE (raw, no header) by
// libdeflate, its bytes then written as they are inside a script's string
// literal.  A page loads such a file with its script element's charset set
// to windows-1252, where every byte is one character, so a file takes
// about one byte per deflated byte.
//
// The four bytes that cannot stand in a double-quoted string, the quote,
// the backslash, LF and CR, are written as the script's own escapes \", \\,
// \n and \r: the script's parser gives them back before any decoding, and
// they cost about 1.6 % on deflated bytes.  Every other byte stands for
// itself, NUL included.
#pragma once

#include <string>
#include <string_view>

namespace lexidor::fulltext {

// The string literal's contents (without its quotes) holding `text`
// deflated.  Throws std::bad_alloc when the compressor cannot be had.
std::string PackText(std::string_view text);

// The text PackText packed; false when `packed` is not such a text or
// unpacks to more than `limit` bytes.
bool UnpackText(std::string_view packed, std::string* text, size_t limit = 64u << 20);

}  // namespace lexidor::fulltext
