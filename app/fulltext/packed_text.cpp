#include "app/fulltext/packed_text.h"

#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <new>

namespace lexidor::fulltext {

namespace {

// libdeflate's fastest level: the packed files are a few percent larger
// than at its default level 6, which takes three times as long.
constexpr int kLevel = 1;
// The packing room a thread keeps between texts, at most.
constexpr size_t kKeptRoom = size_t{1} << 20;

// The digit of a character, -1 for none.
int Digit(char c) {
  if (c < '#' || c > 'x' || c == '\\') return -1;
  return c - '#' - (c > '\\');
}

char DigitChar(uint32_t digit) { return static_cast<char>('#' + digit + (digit >= '\\' - '#')); }

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The bytes of base-85 `text`; false when it is not base 85.
bool FromBase85(std::string_view text, std::string* out) {
  if (text.size() % 5 == 1) return false;
  for (size_t i = 0; i < text.size(); i += 5) {
    const size_t n = std::min<size_t>(5, text.size() - i);
    uint64_t v = 0;
    for (size_t k = 0; k < 5; ++k) {
      const int d = k < n ? Digit(text[i + k]) : 84;
      if (d < 0) return false;
      v = v * 85 + static_cast<uint64_t>(d);
    }
    if (v > 0xFFFFFFFFu) return false;
    for (size_t k = 0; k + 1 < n; ++k) *out += static_cast<char>((v >> (24 - 8 * k)) & 0xFF);
  }
  return true;
}

}  // namespace

std::string PackText(std::string_view text) {
  // One compressor per thread: the shard writer packs on several.
  thread_local std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(
      libdeflate_alloc_compressor(kLevel));
  if (!compressor) throw std::bad_alloc();
  // The deflated bytes of a file's size go to a room kept per thread, which
  // is cleared only where it grows, not for each text.
  const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), text.size());
  thread_local std::string room;
  std::string larger;
  std::string& packed = bound <= kKeptRoom ? room : larger;
  if (packed.size() < bound) packed.resize(bound);
  const size_t size =
      libdeflate_deflate_compress(compressor.get(), text.data(), text.size(), packed.data(), bound);
  // Never 0: the bound is always room enough.  Each 4 bytes are 5 digits,
  // the n bytes of a last group n + 1.
  std::string out(size / 4 * 5 + (size % 4 ? size % 4 + 1 : 0), '\0');
  char* digits = out.data();
  for (size_t i = 0; i < size; i += 4) {
    const size_t n = std::min<size_t>(4, size - i);
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
      v = v << 8 | (k < n ? static_cast<unsigned char>(packed[i + k]) : 0u);
    }
    char group[5];
    for (int k = 4; k >= 0; --k, v /= 85) group[k] = DigitChar(v % 85);
    std::memcpy(digits, group, n + 1);
    digits += n + 1;
  }
  return out;
}

bool UnpackText(std::string_view packed, std::string* text, size_t limit) {
  std::string bytes;
  if (!FromBase85(packed, &bytes)) return false;
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
