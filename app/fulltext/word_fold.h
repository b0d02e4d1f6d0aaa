// Words as the text index keeps them: characters folded for case and for
// accents, so that "Café", "CAFE" and "cafe" are one word.
//
// The page-side search script folds a query with the same rules; the two
// must agree character for character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lexidor::fulltext {

// Longest word kept, in characters; the rest of a longer run is dropped.
constexpr size_t kMaxWordChars = 32;

// True for a character that belongs to a word: ASCII letters and digits,
// Latin letters with their accents, Greek, Cyrillic, Hangul and the CJK
// ranges.  Everything else (punctuation, symbols, controls) separates words.
inline bool IsWordChar(char32_t c);

// Appends the folded form of one word character to `out` as UTF-8: lower
// case, accents removed (é -> e, ß -> ss, æ -> ae).
inline void AppendFolded(char32_t c, std::string& out);

// The same two for characters beyond ASCII, which the inline forms below
// leave to them: ASCII, nearly all of any page, costs no call.
bool IsWordCharBeyondAscii(char32_t c);
void AppendFoldedBeyondAscii(char32_t c, std::string& out);

inline bool IsWordChar(char32_t c) {
  if (c >= 0x80) return IsWordCharBeyondAscii(c);
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

inline void AppendFolded(char32_t c, std::string& out) {
  if (c >= 0x80) return AppendFoldedBeyondAscii(c, out);
  out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

// Appends the character as UTF-8 (a lone surrogate or a code above U+10FFFF
// becomes U+FFFD).
inline void AppendUtf8(char32_t c, std::string& out);
void AppendUtf8BeyondAscii(char32_t c, std::string& out);

inline void AppendUtf8(char32_t c, std::string& out) {
  if (c >= 0x80) return AppendUtf8BeyondAscii(c, out);
  out += static_cast<char>(c);
}

}  // namespace lexidor::fulltext
