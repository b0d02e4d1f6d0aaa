// Text as a script's string literal (AppendScriptLiteral, shard_writer.h).
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/fulltext/charset.h"
#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {

namespace {

// The end of the run of characters from `from` on that a script's string
// holds as they are (printable ASCII but the quote and the backslash),
// sixteen looked at together where they lie within the text.
size_t PlainRunEnd(std::string_view text, size_t from) {
  size_t end = from;
#if defined(__SSE2__)
  // Bytes from 0x80 on are negative here, below the blank.
  const __m128i belowBlank = _mm_set1_epi8(0x20), del = _mm_set1_epi8(0x7F);
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
  for (; end + 16 <= text.size(); end += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + end));
    const __m128i special =
        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(bytes, belowBlank), _mm_cmpeq_epi8(bytes, del)),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(special));
    if (mask) return end + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; end < text.size(); ++end) {
    const unsigned char c = static_cast<unsigned char>(text[end]);
    if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') break;
  }
  return end;
}

}  // namespace

void AppendScriptLiteral(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  auto unit = [&](uint32_t u) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 15];
  };
  for (size_t i = 0; i < text.size();) {
    // A run of characters that stand for themselves, at once.
    const size_t plain = PlainRunEnd(text, i);
    if (plain > i) {
      out.append(text.data() + i, plain - i);
      i = plain;
      continue;
    }
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b >= 0x20 && b < 0x7F) {
      if (b == '"' || b == '\\') out += '\\';
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b < 0x80) {
      unit(b);
      ++i;
      continue;
    }
    const size_t before = i;
    char32_t c = NextChar(text, i, Charset::kUtf8);
    if (i == before + 1) c = 0xFFFD;  // not UTF-8
    if (c >= 0x10000) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
  out += '"';
}

}  // namespace lexidor::fulltext
