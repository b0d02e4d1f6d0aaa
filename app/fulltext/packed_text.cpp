#include "app/fulltext/packed_text.h"

#include <libdeflate.h>

#include <memory>
#include <new>

namespace lexidor::fulltext {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// libdeflate's level 6 packs our shards within a few percent of level 9 at
// a fraction of its time.
constexpr int kLevel = 6;

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

}  // namespace

std::string PackText(std::string_view text) {
  // One compressor per thread: the shard writer packs on two.
  thread_local std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(
      libdeflate_alloc_compressor(kLevel));
  if (!compressor) throw std::bad_alloc();
  std::string packed(libdeflate_deflate_compress_bound(compressor.get(), text.size()), '\0');
  const size_t size = libdeflate_deflate_compress(compressor.get(), text.data(), text.size(),
                                                  packed.data(), packed.size());
  packed.resize(size);  // never 0: the bound is always room enough
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    const size_t n = std::min<size_t>(3, size - i);
    uint32_t v = 0;
    for (size_t k = 0; k < 3; ++k) {
      v = v << 8 | (k < n ? static_cast<unsigned char>(packed[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      out += k <= n ? kBase64[(v >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

namespace {

// The bytes of base64 `text`; false when it is not base64.
bool FromBase64(std::string_view text, std::string* out) {
  uint32_t v = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    const char* at = std::char_traits<char>::find(kBase64, 64, c);
    if (!at) return false;
    v = v << 6 | static_cast<uint32_t>(at - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      *out += static_cast<char>((v >> bits) & 0xFF);
    }
  }
  return true;
}

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

bool UnpackText(std::string_view packed, std::string* text, size_t limit) {
  std::string bytes;
  if (!FromBase64(packed, &bytes)) return false;
  std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) throw std::bad_alloc();
  // The packed size does not tell the unpacked one: try growing rooms.
  for (size_t room = bytes.size() * 4 + 1024;; room = std::min(room * 4, limit)) {
    text->resize(room);
    size_t size = 0;
    const libdeflate_result result = libdeflate_deflate_decompress(
        decompressor.get(), bytes.data(), bytes.size(), text->data(), room, &size);
    if (result == LIBDEFLATE_SUCCESS) {
      text->resize(size);
      return true;
    }
    if (result != LIBDEFLATE_INSUFFICIENT_SPACE || room >= limit) return false;
  }
}

}  // namespace lexidor::fulltext
