// Text as the rest of Lexidor sees it: sequences of UTF-16 code units.
//
// String compares by unsigned code unit, the first difference deciding and a
// prefix before the longer string, which is std::u16string's own order.
// Indices are 0-based; searches that find nothing give -1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lexidor {

using String = std::u16string;

// Bytes without an encoding: one character per byte in, the low 8 bits of
// each code unit out.
String FromLatin1(std::string_view bytes);
std::string ToLatin1(const String& text);

// UTF-8 for the terminal, FLTK and the C library's messages.  Decoding is
// lenient: a malformed byte reads as the Latin-1 character of the same code.
// Characters above U+FFFF become surrogate pairs and back.
String FromUtf8(std::string_view bytes);
std::string ToUtf8(const String& text);

// Bytes of one character each (Latin-1) as UTF-8: ToUtf8(FromLatin1(bytes))
// without the UTF-16 copy between.
std::string Latin1ToUtf8(std::string_view bytes);

// True when `bytes` are well-formed UTF-8: no stray or missing continuation
// bytes, no over-long forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Text held as one character per byte (paths, a child's output) as the
// characters it stands for: when every character is below 256 and their
// bytes are valid UTF-8 with at least one character beyond ASCII, the
// decoded characters; any other text unchanged (ASCII, Latin-1 bytes that
// are no UTF-8, text that already holds wider characters).
String DecodeUtf8Bytes(const String& text);

// Plain decimal text of an integer.
String IntToString(int64_t value);

// Text to integer: leading white space skipped, an optional sign, then
// decimal digits, or hexadecimal digits after "$", or binary digits after
// "%"; conversion stops at the first other character; no digits give 0.
// StringToInt keeps the low 32 bits of the 64-bit result.
int64_t StringToLong(const String& text);
int32_t StringToInt(const String& text);

// Floating point as text: the shortest "%.17g"-style form that reads back to
// the same value, and a lenient parser (leading blanks, stops at the first
// character that cannot continue a number, 0 when there is none).
String DoubleToString(double value);
double StringToDouble(const String& text);

// ASCII case changes only: A-Z <-> a-z, every other unit unchanged.
String AsciiLower(String text);
String AsciiUpper(String text);

// Position of `what` in `text` at or after `from`, or -1.
int Find(const String& text, const String& what, int from = 0);
// Position of the last `what` in `text`, or -1.
int FindLast(const String& text, const String& what);
// The units [start, end) of `text`; empty when end <= start, clamped to the
// text.
String Slice(const String& text, int start, int end);
// Every occurrence of `from` replaced by `to`.
String ReplaceAll(String text, const String& from, const String& to);
bool StartsWith(const String& text, const String& prefix);
bool EndsWith(const String& text, const String& suffix);

}  // namespace lexidor
