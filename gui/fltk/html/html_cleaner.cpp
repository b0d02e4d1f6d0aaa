// Page cleaning for FLTK's help view; see html_cleaner.h for what and why.
#include "gui/fltk/html/html_cleaner.h"

#include <cstdint>

namespace lexidor {

namespace {

// Windows-1252 characters of the bytes 0x80-0x9F; 0 for the five the code
// page leaves unassigned (they keep their own value).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

// Named references the help view shows as written, with their characters.
// The markup-significant ones ("&lt;", "&amp;", ...) are not here: the view
// knows them, and they must stay references.
struct NamedReference {
  const char* name;
  char16_t code;
};
constexpr NamedReference kReferences[] = {
    {"apos", 0x0027},   {"OElig", 0x0152},  {"oelig", 0x0153},  {"Scaron", 0x0160},
    {"scaron", 0x0161}, {"Yuml", 0x0178},   {"fnof", 0x0192},   {"circ", 0x02C6},
    {"tilde", 0x02DC},  {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},
    {"dagger", 0x2020}, {"Dagger", 0x2021}, {"hellip", 0x2026}, {"lsaquo", 0x2039},
    {"rsaquo", 0x203A}, {"larr", 0x2190},   {"uarr", 0x2191},   {"rarr", 0x2192},
    {"darr", 0x2193},   {"harr", 0x2194},   {"minus", 0x2212},  {"ne", 0x2260},
    {"le", 0x2264},     {"ge", 0x2265},
};

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}
// Characters of a tag name after its first letter ("h1", "o:p", "my-tag").
bool IsNameChar(char16_t c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'-' || c == u':' || c == u'_';
}

// Index just past the ">" that ends the tag whose name ends at `from`;
// quoted attribute values may hold ">".  The end of the text when the tag
// is never closed.
size_t TagEnd(const String& html, size_t from) {
  char16_t quote = 0;
  for (size_t i = from; i < html.size(); ++i) {
    const char16_t c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>') {
      return i + 1;
    }
  }
  return html.size();
}

// Index just past the end tag "</name ...>" at or after `from` in the
// lower-cased text, or the end of the text when there is none.  `name` is
// lower case; "</scripts>" does not end a script.
size_t RawTextEnd(const String& lower, size_t from, const String& name) {
  const String opener = u"</" + name;
  for (size_t at = lower.find(opener, from); at != String::npos; at = lower.find(opener, at + 1)) {
    const size_t after = at + opener.size();
    if (after >= lower.size()) break;
    const char16_t c = lower[after];
    if (IsSpace(c) || c == u'/' || c == u'>') return TagEnd(lower, after);
  }
  return lower.size();
}

// The character of the named reference at `amp` ("&name;") when it is one
// of ours; sets `length` to the length of the reference.  0 otherwise.
char16_t NamedCharacter(const String& html, size_t amp, size_t* length) {
  size_t end = amp + 1;
  while (end < html.size() && (IsAsciiLetter(html[end]) || IsAsciiDigit(html[end]))) ++end;
  if (end == amp + 1 || end >= html.size() || html[end] != u';') return 0;
  const std::string name = ToLatin1(html.substr(amp + 1, end - amp - 1));
  for (const NamedReference& ref : kReferences) {
    if (name == ref.name) {
      *length = end + 1 - amp;
      return ref.code;
    }
  }
  return 0;
}

}  // namespace

String DecodePageBytes(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  String text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) {
    const char16_t high = c >= 0x80 && c <= 0x9F ? kWindows1252High[c - 0x80] : 0;
    text.push_back(high ? high : static_cast<char16_t>(c));
  }
  return text;
}

String CleanHtmlMarkup(const String& html) {
  const String lower = AsciiLower(html);
  String out;
  out.reserve(html.size());
  const size_t n = html.size();
  size_t i = (n > 0 && html[0] == 0xFEFF) ? 1 : 0;
  while (i < n) {
    const char16_t c = html[i];
    if (c == u'&') {
      size_t length = 0;
      if (char16_t named = NamedCharacter(html, i, &length)) {
        out.push_back(named);
        i += length;
      } else {
        out.push_back(c);
        ++i;
      }
      continue;
    }
    if (c != u'<') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (html.compare(i, 4, u"<!--") == 0) {
      const size_t close = html.find(u"-->", i + 4);
      const size_t end = close == String::npos ? n : close + 3;
      out.append(html, i, end - i);
      i = end;
      continue;
    }
    const bool closing = i + 1 < n && html[i + 1] == u'/';
    const size_t name_start = i + (closing ? 2 : 1);
    if (name_start >= n || !IsAsciiLetter(html[name_start])) {
      out.push_back(c);  // a "<" that starts no tag, as in "a < b"
      ++i;
      continue;
    }
    size_t name_end = name_start + 1;
    while (name_end < n && IsNameChar(html[name_end])) ++name_end;
    const size_t tag_end = TagEnd(html, name_end);
    const String name = lower.substr(name_start, name_end - name_start);
    if (!closing && (name == u"script" || name == u"style")) {
      i = RawTextEnd(lower, tag_end, name);
      continue;
    }
    out.append(html, i, name_end - i);
    if (name_end < n && html[name_end] == u'/') out.push_back(u' ');
    out.append(html, name_end, tag_end - name_end);
    i = tag_end;
  }
  return out;
}

String CleanHtmlPage(std::string_view bytes) { return CleanHtmlMarkup(DecodePageBytes(bytes)); }

}  // namespace lexidor
