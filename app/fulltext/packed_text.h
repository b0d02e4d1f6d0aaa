// Shard contents packed for a page to unpack: DEFLATE (raw, no header) by
// libdeflate, then base64, so that a file stays plain ASCII a <script> can
// load from file:// while its text takes a third to a half of its room.
#pragma once

#include <string>
#include <string_view>

namespace lexidor::fulltext {

// The base64 text (RFC 4648 alphabet, padded) of `text` deflated.  Throws
// std::bad_alloc when the compressor cannot be had.
std::string PackText(std::string_view text);

// The text PackText packed; false when `packed` is not such a text or
// unpacks to more than `limit` bytes.
bool UnpackText(std::string_view packed, std::string* text, size_t limit = 64u << 20);

}  // namespace lexidor::fulltext
