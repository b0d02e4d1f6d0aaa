#include "app/fulltext/charset.h"

#include <cctype>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/utf8.h"

namespace lexidor::fulltext {

namespace {

constexpr char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

constexpr std::string_view kKey = "charset=";

// Where the first "charset=" in any letter case starts in `head`, or npos;
// found without a lower-case copy.  Its "c" is looked for sixteen bytes at
// a time: most pages name no charset, and a search byte by byte went
// through 4 KB of each.
size_t FindCharsetKey(std::string_view head) {
  auto isKey = [head](size_t at) {
    size_t k = 0;
    while (k < kKey.size() && Lower(head[at + k]) == kKey[k]) ++k;
    return k == kKey.size();
  };
  size_t at = 0;
#if defined(__SSE2__)
  const __m128i lowerCase = _mm_set1_epi8(0x20), c = _mm_set1_epi8('c');
  for (; at + 16 + kKey.size() <= head.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(head.data() + at));
    for (unsigned candidates = static_cast<unsigned>(
             _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(bytes, lowerCase), c)));
         candidates; candidates &= candidates - 1) {
      const size_t from = at + static_cast<size_t>(__builtin_ctz(candidates));
      if (isKey(from)) return from;
    }
  }
#endif
  for (; at + kKey.size() <= head.size(); ++at) {
    if (isKey(at)) return at;
  }
  return std::string_view::npos;
}

}  // namespace

char32_t Windows1252Char(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? k1252High[byte - 0x80] : byte;
}

Charset DetectCharset(std::string_view page) {
  if (page.size() >= 3 && page.substr(0, 3) == "\xEF\xBB\xBF") return Charset::kUtf8;
  const std::string_view head = page.substr(0, 4096);
  const size_t at = FindCharsetKey(head);
  if (at == std::string_view::npos) return Charset::kLatin1;
  size_t i = at + kKey.size();
  while (i < head.size() && (head[i] == '"' || head[i] == '\'' || head[i] == ' ')) ++i;
  std::string name;
  while (i < head.size() && name.size() < 32 &&
         (std::isalnum(static_cast<unsigned char>(head[i])) || head[i] == '-' || head[i] == '_')) {
    name += Lower(head[i++]);
  }
  if (name == "utf-8" || name == "utf8") return Charset::kUtf8;
  if (name == "windows-1252" || name == "cp1252" || name == "x-cp1252") {
    return Charset::kWindows1252;
  }
  // Browsers read every iso-8859-1 page as windows-1252: the control codes
  // 0x80..0x9F would otherwise stand for nothing a reader sees.
  return Charset::kLatin1;
}

char32_t NextChar(std::string_view page, size_t& pos, Charset charset) {
  const unsigned char b = static_cast<unsigned char>(page[pos]);
  if (b >= 0x80 && charset == Charset::kUtf8) {
    char32_t c;
    if (const size_t len = DecodeUtf8Sequence(page, pos, &c)) {
      pos += len;
      return c;
    }
  }
  // A byte that starts no UTF-8 text stands for itself, as a browser shows it.
  ++pos;
  return Windows1252Char(b);
}

}  // namespace lexidor::fulltext
