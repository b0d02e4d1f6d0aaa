#include "app/fulltext/packed_text.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lexidor::fulltext {

namespace {

// libdeflate's fastest level: the packed files are a few percent larger
// than at its default level 6, which takes three times as long.
constexpr int kLevel = 1;
// The packing room a thread keeps between texts, at most.
constexpr size_t kKeptRoom = size_t{1} << 20;

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The bytes a string literal's contents stand for; false on a quote, LF or
// CR standing alone, or a backslash that begins no escape PackText writes.
bool Unescape(std::string_view text, std::string* out) {
  out->reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t special = text.find_first_of("\\\"\n\r", i);
    const size_t plain = special == std::string_view::npos ? text.size() : special;
    out->append(text.data() + i, plain - i);
    i = plain;
    if (i == text.size()) break;
    if (text[i] != '\\' || i + 1 == text.size()) return false;
    switch (text[i + 1]) {
      case '\\':
      case '"':
        *out += text[i + 1];
        break;
      case 'n':
        *out += '\n';
        break;
      case 'r':
        *out += '\r';
        break;
      default:
        return false;
    }
    i += 2;
  }
  return true;
}

bool Plain(char c) { return c != '"' && c != '\\' && c != '\n' && c != '\r'; }

// The end of the run of bytes from `from` on that stand for themselves in
// a script's string, sixteen looked at together where they lie within
// `size`: deflated bytes are mostly such runs, and the byte by byte scan
// took about a sixth of the packing's own time.
size_t PlainRunEnd(const char* bytes, size_t from, size_t size) {
  size_t end = from;
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
  const __m128i lineFeed = _mm_set1_epi8('\n'), carriageReturn = _mm_set1_epi8('\r');
  for (; end + 16 <= size; end += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + end));
    const __m128i special = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)),
        _mm_or_si128(_mm_cmpeq_epi8(chunk, lineFeed), _mm_cmpeq_epi8(chunk, carriageReturn)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(special));
    if (mask) return end + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  while (end < size && Plain(bytes[end])) ++end;
  return end;
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
  // Never 0: the bound is always room enough.  Most bytes stand for
  // themselves; runs of them are copied whole.
  std::string out;
  out.reserve(size + size / 32 + 16);
  const char* bytes = packed.data();
  for (size_t i = 0; i < size;) {
    const size_t plain = PlainRunEnd(bytes, i, size);
    out.append(bytes + i, plain - i);
    i = plain;
    if (i == size) break;
    out += '\\';
    out += bytes[i] == '\n' ? 'n' : bytes[i] == '\r' ? 'r' : bytes[i];
    ++i;
  }
  return out;
}

bool UnpackText(std::string_view packed, std::string* text, size_t limit) {
  std::string bytes;
  if (!Unescape(packed, &bytes)) return false;
  std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) throw std::bad_alloc();
  // The packed size does not tell the unpacked one: try growing rooms, none
  // past the limit, so that a text larger than it is refused however well
  // it packed.
  for (size_t room = std::min(bytes.size() * 4 + 1024, limit);; room = std::min(room * 4, limit)) {
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
