#include "app/fulltext/word_fold.h"

namespace lexidor::fulltext {

namespace {

// Base letters of U+0100..U+017F, one per character; '1' stands for "ij"
// and '2' for "oe".
constexpr char kLatinExtendedA[] =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii11jjkkkllllllllllnnnnnnnnnoooooo22"
    "rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(sizeof(kLatinExtendedA) == 128 + 1, "one letter per character");

// U+00C0..U+00FF.  U+00D7 and U+00F7 are no letters and never reach here.
constexpr const char* kLatin1[64] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "x", "o", "u", "u", "u", "u", "y", "th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "x", "o", "u", "u", "u", "u", "y", "th", "y"};

}  // namespace

bool IsWordCharBeyondAscii(char32_t c) {
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if (c >= 0x370 && c <= 0x3FF) return c != 0x375 && c != 0x37E && c != 0x387;
  if (c >= 0x400 && c <= 0x52F) return c < 0x482 || c > 0x489;
  return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF);
}

void AppendUtf8BeyondAscii(char32_t c, std::string& out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendFoldedBeyondAscii(char32_t c, std::string& out) {
  if (c >= 0xC0 && c <= 0xFF) {
    out += kLatin1[c - 0xC0];
  } else if (c >= 0x100 && c <= 0x17F) {
    const char base = kLatinExtendedA[c - 0x100];
    out += base == '1' ? "ij" : base == '2' ? "oe" : std::string(1, base);
  } else if (c >= 0x391 && c <= 0x3A9) {
    AppendUtf8(c + 0x20, out);
  } else if (c >= 0x410 && c <= 0x42F) {
    AppendUtf8(c + 0x20, out);
  } else if (c >= 0x400 && c <= 0x40F) {
    AppendUtf8(c + 0x50, out);
  } else {
    AppendUtf8(c, out);
  }
}

}  // namespace lexidor::fulltext
