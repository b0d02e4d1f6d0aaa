// Shard contents packed for a page to unpack: DEFLATE (raw, no header) by
// libdeflate, then base 85, so that a file stays plain ASCII a <script> can
// load from file:// while its text takes a third to four fifths of its room.
//
// Base 85: each 4 bytes, as a number most significant byte first, become 5
// digits, most significant first; the digits are the characters from "#"
// on, the backslash left out ("#" is 0, "x" 84), so none needs escaping in a
// script's string.  A last group of 1 to 3 bytes is padded with zero bytes
// and gives only its first 2 to 4 digits; a reader pads them with 84s.
#pragma once

#include <string>
#include <string_view>

namespace lexidor::fulltext {

// The base-85 text of `text` deflated.  Throws std::bad_alloc when the
// compressor cannot be had.
std::string PackText(std::string_view text);

// The text PackText packed; false when `packed` is not such a text or
// unpacks to more than `limit` bytes.
bool UnpackText(std::string_view packed, std::string* text, size_t limit = 64u << 20);

}  // namespace lexidor::fulltext
