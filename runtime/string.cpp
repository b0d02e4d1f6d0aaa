#include "runtime/string.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runtime/utf8.h"

namespace lexidor {

String FromLatin1(std::string_view bytes) {
  String out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) out.push_back(c);
  return out;
}

std::string ToLatin1(const String& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(static_cast<char>(c & 0xFF));
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t code;
    const size_t len = DecodeUtf8Sequence(bytes, i, &code);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

String DecodeUtf8Bytes(const String& text) {
  bool wide = false;
  for (char16_t c : text) {
    if (c > 0xFF) return text;
    wide = wide || c > 0x7F;
  }
  if (!wide) return text;
  const std::string bytes = ToLatin1(text);
  return IsValidUtf8(bytes) ? FromUtf8(bytes) : text;
}

String FromUtf8(std::string_view bytes) {
  String out;
  out.reserve(bytes.size());
  size_t i = 0;
  const size_t n = bytes.size();
  auto cont = [&](size_t k) {
    return k < n && (static_cast<unsigned char>(bytes[k]) & 0xC0) == 0x80;
  };
  while (i < n) {
    unsigned char c = bytes[i];
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if (c >= 0xC2 && c < 0xE0 && cont(i + 1)) {
      cp = ((c & 0x1F) << 6) | (bytes[i + 1] & 0x3F);
      len = 2;
    } else if (c >= 0xE0 && c < 0xF0 && cont(i + 1) && cont(i + 2)) {
      cp = ((c & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F);
      len = 3;
      if (cp < 0x800) cp = c, len = 1;  // overlong: take the lead byte as Latin-1
    } else if (c >= 0xF0 && c < 0xF5 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      cp = ((c & 0x07) << 18) | ((bytes[i + 1] & 0x3F) << 12) | ((bytes[i + 2] & 0x3F) << 6) |
           (bytes[i + 3] & 0x3F);
      len = 4;
      if (cp < 0x10000 || cp > 0x10FFFF) cp = c, len = 1;
    } else {
      cp = c;
      len = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string ToUtf8(const String& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

String IntToString(int64_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
  return FromLatin1(buf);
}

namespace {
bool IsBlank(char16_t c) { return c == ' ' || (c >= 9 && c <= 13); }
}  // namespace

int64_t StringToLong(const String& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  uint64_t value = 0;  // unsigned so that overflow wraps instead of being undefined
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;
  }
  return static_cast<int64_t>(negative ? 0 - value : value);
}

int32_t StringToInt(const String& text) {
  return static_cast<int32_t>(static_cast<uint32_t>(StringToLong(text)));
}

String DoubleToString(double value) {
  char buf[40];
  for (int precision = 6; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    if (std::isnan(value) || std::strtod(buf, nullptr) == value) break;
  }
  return FromLatin1(buf);
}

double StringToDouble(const String& text) {
  std::string bytes = ToLatin1(text);
  return std::strtod(bytes.c_str(), nullptr);
}

String AsciiLower(String text) {
  for (char16_t& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 32);
  return text;
}

String AsciiUpper(String text) {
  for (char16_t& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
  return text;
}

int Find(const String& text, const String& what, int from) {
  if (from < 0) from = 0;
  if (static_cast<size_t>(from) > text.size()) return -1;
  size_t at = text.find(what, static_cast<size_t>(from));
  return at == String::npos ? -1 : static_cast<int>(at);
}

int FindLast(const String& text, const String& what) {
  size_t at = text.rfind(what);
  return at == String::npos ? -1 : static_cast<int>(at);
}

String Slice(const String& text, int start, int end) {
  const int n = static_cast<int>(text.size());
  if (start < 0) start = 0;
  if (end > n) end = n;
  if (end <= start) return String();
  return text.substr(start, end - start);
}

String ReplaceAll(String text, const String& from, const String& to) {
  if (from.empty()) return text;
  size_t at = 0;
  while ((at = text.find(from, at)) != String::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

bool StartsWith(const String& text, const String& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const String& text, const String& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace lexidor
