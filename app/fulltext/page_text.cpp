#include "app/fulltext/page_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/fulltext/charset.h"
#include "app/fulltext/html_entities.h"
#include "app/fulltext/word_fold.h"

namespace lexidor::fulltext {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// ASCII letters and digits, by byte: one load per character of a page.
struct AlnumBytes {
  bool is[256];
  constexpr AlnumBytes() : is() {
    for (int c = 0; c < 256; ++c) {
      is[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    }
  }
};
constexpr AlnumBytes kAlnum;
bool IsAsciiAlnum(char c) { return kAlnum.is[static_cast<unsigned char>(c)]; }

// The end of the run of ASCII letters and digits in [from, size) that
// starts at `from`.  Sixteen bytes are looked at together while they lie
// within the page: the byte by byte scan was a quarter of the extraction.
size_t AlnumRunEnd(const char* page, size_t from, size_t size) {
  size_t end = from;
#if defined(__SSE2__)
  const __m128i belowDigits = _mm_set1_epi8('0' - 1), aboveDigits = _mm_set1_epi8('9' + 1);
  const __m128i belowLetters = _mm_set1_epi8('a' - 1), aboveLetters = _mm_set1_epi8('z' + 1);
  const __m128i lowerCase = _mm_set1_epi8(0x20);
  while (end + 16 <= size) {
    // Bytes from 0x80 on are negative here, below every range.
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(page + end));
    const __m128i digit =
        _mm_and_si128(_mm_cmpgt_epi8(bytes, belowDigits), _mm_cmplt_epi8(bytes, aboveDigits));
    const __m128i folded = _mm_or_si128(bytes, lowerCase);
    const __m128i letter =
        _mm_and_si128(_mm_cmpgt_epi8(folded, belowLetters), _mm_cmplt_epi8(folded, aboveLetters));
    const unsigned alnum = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(digit, letter)));
    if (alnum != 0xFFFF) return end + static_cast<size_t>(__builtin_ctz(~alnum));
    end += 16;
  }
#endif
  while (end < size && IsAsciiAlnum(page[end])) ++end;
  return end;
}

// Appends the `kept` bytes at `from` lower-cased (ASCII letters only), of
// a page of `size` bytes; `kept` is at most kMaxWordChars.  Thirty-two
// bytes are lower-cased together where they lie within the page.
void AppendLowered(std::string& words, const char* page, size_t from, size_t kept, size_t size) {
  static_assert(kMaxWordChars <= 32, "a word's bytes in two lanes");
#if defined(__SSE2__)
  if (from + 32 <= size) {
    const __m128i belowUpper = _mm_set1_epi8('A' - 1), aboveUpper = _mm_set1_epi8('Z' + 1);
    const __m128i lowerCase = _mm_set1_epi8(0x20);
    char lowered[32];
    for (size_t lane = 0; lane < 32; lane += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(page + from + lane));
      const __m128i upper =
          _mm_and_si128(_mm_cmpgt_epi8(bytes, belowUpper), _mm_cmplt_epi8(bytes, aboveUpper));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(lowered + lane),
                       _mm_add_epi8(bytes, _mm_and_si128(upper, lowerCase)));
    }
    words.append(lowered, kept);
    return;
  }
#endif
  const size_t at = words.size();
  words.append(page + from, kept);
  char* const word = words.data() + at;
  for (size_t k = 0; k < kept; ++k) word[k] = Lower(word[k]);
}
bool IsBlank(char32_t c) { return c <= 0x20 || c == 0xA0 || c == 0x85 || c == 0xFEFF; }

// What a tag's (lower-case) name means here.  Elements inside a word
// ("<b>bo</b>ld" reads "bold") are inline; any other tag ends a word and,
// in displayed text, stands for a blank.
enum class TagKind { kOther, kInline, kRawText, kTitle, kHeading };

// A name of up to eight characters as one number, its first character in
// the lowest byte: names of other lengths or letters give other numbers
// (a tag's name holds no zero byte).
constexpr uint64_t NameNumber(std::string_view name) {
  uint64_t number = 0;
  for (size_t k = name.size(); k-- > 0;) number = number << 8 | static_cast<unsigned char>(name[k]);
  return number;
}

// Told apart by one switch over the name as a number: comparing it with
// each name in turn called memcmp for each.
TagKind KindOf(std::string_view name) {
  if (name.size() > 8) return TagKind::kOther;
  switch (NameNumber(name)) {
    case NameNumber("a"):
    case NameNumber("b"):
    case NameNumber("i"):
    case NameNumber("u"):
    case NameNumber("em"):
    case NameNumber("tt"):
    case NameNumber("big"):
    case NameNumber("kbd"):
    case NameNumber("sub"):
    case NameNumber("sup"):
    case NameNumber("var"):
    case NameNumber("abbr"):
    case NameNumber("code"):
    case NameNumber("font"):
    case NameNumber("span"):
    case NameNumber("samp"):
    case NameNumber("small"):
    case NameNumber("strong"):
      return TagKind::kInline;
    case NameNumber("h1"):
    case NameNumber("h2"):
    case NameNumber("h3"):
      return TagKind::kHeading;
    case NameNumber("style"):
    case NameNumber("script"):
      return TagKind::kRawText;
    case NameNumber("title"):
      return TagKind::kTitle;
    default:
      return TagKind::kOther;
  }
}

class Extractor {
 public:
  Extractor(std::string_view page, const std::map<std::string, std::string>& anchors)
      : p_(page), anchors_(anchors), charset_(DetectCharset(page)) {
    if (page.size() >= 3 && page.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;
    AddSection();
  }

  PageText Run(std::string_view fallbackTitle) {
    while (i_ < p_.size()) {
      const char c = p_[i_];
      if (IsAsciiAlnum(c)) {
        AsciiWord();
        continue;
      }
      if (static_cast<unsigned char>(c) <= 0x20) {
        // A run of ASCII blanks and control characters, one after every
        // word: what Char does for each of them, once.
        EndWord();
        blank_ = true;
        while (++i_ < p_.size() && static_cast<unsigned char>(p_[i_]) <= 0x20) {
        }
        continue;
      }
      if (c == '<' && Tag()) continue;
      if (c == '&') {
        ++i_;
        Char(Reference());
      } else if (static_cast<unsigned char>(c) < 0x80) {
        ++i_;
        Char(static_cast<unsigned char>(c));
      } else {
        Char(NextChar(p_, i_, charset_));
      }
    }
    EndWord();
    return Finish(fallbackTitle);
  }

 private:
  enum Mode { kBody, kPageTitle, kHeading };

  TextSection& Current() { return out_.sections.back(); }

  // A section's words and excerpt start with the room most sections take
  // (about 90 words, and the excerpt's 224 characters), not grown to it a
  // few bytes at a time, each growth a copy and an allocation.
  void AddSection() {
    TextSection& section = out_.sections.emplace_back();
    section.bodyWords.reserve(1024);
    section.excerpt.reserve(kExcerptChars + 32);
  }

  // --- Text -----------------------------------------------------------

  void Char(char32_t c) {
    if (IsWordChar(c)) {
      if (wordChars_ < kMaxWordChars) {
        std::string& words = WordsOut();
        const size_t before = words.size();
        AppendFolded(c, words);
        wordOpen_ |= words.size() != before;
      }
      ++wordChars_;
    } else {
      EndWord();
    }
    Show(c);
  }

  // A run of ASCII letters and digits, most of any page's text, at once:
  // what Char does for each of its characters.
  void AsciiWord() {
    // In locals: the loops here run over most of a page's bytes, and a
    // member or the string's own pointer would be read again for each.
    const char* const page = p_.data();
    const size_t from = i_, size = p_.size();
    const size_t end = AlnumRunEnd(page, from, size);
    i_ = end;
    const size_t length = end - from;
    const size_t room = wordChars_ < kMaxWordChars ? kMaxWordChars - wordChars_ : 0;
    const size_t kept = std::min(length, room);
    if (kept > 0) {
      AppendLowered(WordsOut(), page, from, kept, size);
      wordOpen_ = true;
    }
    wordChars_ += length;
    const auto [target, count, limit] = ShownText();
    // Text past the excerpt's or title's length is not shown.
    if (*count >= limit) return;
    Show(static_cast<unsigned char>(p_[from]));  // a blank before it, where one was
    // The blank may have taken the last place, and the character one more.
    const size_t shown = *count < limit ? std::min(length - 1, limit - *count) : 0;
    target->append(p_.data() + from + 1, shown);
    *count += shown;
  }

  // Where the present mode's words go.  A word is written there as it is
  // read (no copy of its own to move there after): nothing else is written
  // there, nor does the mode or the section change, before the word ends.
  std::string& WordsOut() {
    return mode_ == kBody      ? Current().bodyWords
           : mode_ == kHeading ? Current().titleWords
                               : pageTitleWords_;
  }

  void EndWord() {
    if (!wordOpen_) return;
    WordsOut() += ' ';
    wordOpen_ = false;
    wordChars_ = 0;
    if (mode_ != kPageTitle) pendingAnchor_.clear();
  }

  // Where displayed text goes in the present mode, its count and its limit.
  struct Shown {
    std::string* target;
    size_t* count;
    size_t limit;
  };
  Shown ShownText() {
    if (mode_ == kBody) return {&Current().excerpt, &excerptChars_, kExcerptChars};
    if (mode_ == kPageTitle) return {&pageTitle_, &pageTitleChars_, kTitleChars};
    return {&headingText_, &headingChars_, kTitleChars};
  }

  // Text as displayed: blanks collapsed, cut at the title or excerpt length.
  void Show(char32_t c) {
    const auto [target, count, limit] = ShownText();
    if (IsBlank(c)) {
      blank_ = true;
      return;
    }
    if (*count >= limit) return;
    if (blank_ && *count > 0) {
      *target += ' ';
      ++*count;
    }
    blank_ = false;
    AppendUtf8(c, *target);
    ++*count;
  }

  char32_t Reference() {
    if (i_ < p_.size() && p_[i_] == '#') {
      size_t k = i_ + 1;
      const bool hex = k < p_.size() && (p_[k] == 'x' || p_[k] == 'X');
      if (hex) ++k;
      uint32_t value = 0;
      size_t digits = 0;
      for (; k < p_.size() && digits < 8; ++k, ++digits) {
        const char d = Lower(p_[k]);
        if (d >= '0' && d <= '9') {
          value = value * (hex ? 16 : 10) + (d - '0');
        } else if (hex && d >= 'a' && d <= 'f') {
          value = value * 16 + (d - 'a' + 10);
        } else {
          break;
        }
      }
      if (digits == 0) return '&';
      if (k < p_.size() && p_[k] == ';') ++k;
      i_ = k;
      if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
      if (value >= 0x80 && value < 0xA0) return Windows1252Char(static_cast<unsigned char>(value));
      return value;
    }
    size_t k = i_;
    while (k < p_.size() && k - i_ < 10 && IsAsciiAlnum(p_[k])) ++k;
    const char32_t c = NamedEntity(p_.substr(i_, k - i_));
    if (c == 0) return '&';
    if (k < p_.size() && p_[k] == ';') ++k;
    i_ = k;
    return c;
  }

  // --- Markup ---------------------------------------------------------

  // At '<': consumes a tag, comment or declaration and returns true, or
  // returns false when the '<' is plain text.
  bool Tag() {
    const size_t start = i_;
    if (start + 1 >= p_.size()) return false;
    const char next = p_[start + 1];
    if (next == '!' && start + 4 <= p_.size() && p_[start + 2] == '-' && p_[start + 3] == '-') {
      const size_t end = p_.find("-->", start + 4);
      i_ = end == std::string_view::npos ? p_.size() : end + 3;
      Break(false);
      return true;
    }
    if (next == '!' || next == '?') {
      SkipPast('>', start + 2);
      return true;
    }
    const bool closing = next == '/';
    size_t k = start + (closing ? 2 : 1);
    if (k >= p_.size() || !IsAsciiLetter(p_[k])) return false;
    // The name's first sixteen characters, lower-cased, in place: a
    // string grown by a character at a time cost a check of its room each.
    char lowered[16];
    size_t length = 0;
    while (k < p_.size() && (IsAsciiAlnum(p_[k]) || p_[k] == '-' || p_[k] == ':')) {
      if (length < sizeof lowered) lowered[length++] = Lower(p_[k]);
      ++k;
    }
    const std::string_view name(lowered, length);
    i_ = k;
    std::string id;
    if (closing) {
      SkipPast('>', i_);
    } else {
      Attributes(&id);
    }
    Element(name, closing, id);
    return true;
  }

  void SkipPast(char c, size_t from) {
    const size_t end = p_.find(c, from);
    i_ = end == std::string_view::npos ? p_.size() : end + 1;
  }

  // Reads attributes up to the closing '>'; quoted values may hold '>'.
  // Keeps the value of the last id or name attribute.
  void Attributes(std::string* id) {
    while (i_ < p_.size()) {
      const char c = p_[i_];
      if (c == '>') {
        ++i_;
        return;
      }
      if (!IsAsciiLetter(c)) {
        ++i_;
        continue;
      }
      char lowered[8];
      size_t length = 0;
      while (i_ < p_.size() && p_[i_] != '=' && p_[i_] != '>' && !IsBlank(p_[i_]) &&
             p_[i_] != '/') {
        if (length < sizeof lowered) lowered[length++] = Lower(p_[i_]);
        ++i_;
      }
      const std::string_view name(lowered, length);
      while (i_ < p_.size() && IsBlank(p_[i_])) ++i_;
      if (i_ >= p_.size() || p_[i_] != '=') continue;
      ++i_;
      while (i_ < p_.size() && IsBlank(p_[i_])) ++i_;
      std::string_view value;
      if (i_ < p_.size() && (p_[i_] == '"' || p_[i_] == '\'')) {
        const char quote = p_[i_];
        const size_t end = p_.find(quote, i_ + 1);
        const size_t stop = end == std::string_view::npos ? p_.size() : end;
        value = p_.substr(i_ + 1, stop - i_ - 1);
        i_ = end == std::string_view::npos ? p_.size() : end + 1;
      } else {
        const size_t from = i_;
        while (i_ < p_.size() && p_[i_] != '>' && !IsBlank(p_[i_])) ++i_;
        value = p_.substr(from, i_ - from);
      }
      if ((name == "id" || name == "name") && value.size() <= 256) *id = std::string(value);
    }
  }

  // A tag that is not inside a word ends the word; in displayed text it
  // stands for a blank.
  void Break(bool inlineTag) {
    if (inlineTag) return;
    EndWord();
    blank_ = true;
  }

  void Element(std::string_view name, bool closing, const std::string& id) {
    const TagKind kind = KindOf(name);
    Break(kind == TagKind::kInline);
    if (!id.empty()) Anchor(id);
    if (closing) {
      if (kind == TagKind::kTitle && mode_ == kPageTitle) mode_ = kBody;
      if (kind == TagKind::kHeading && mode_ == kHeading) EndHeading();
      return;
    }
    if (kind == TagKind::kRawText) {
      SkipRawText(name);
    } else if (kind == TagKind::kTitle && mode_ == kBody) {
      mode_ = kPageTitle;
    } else if (kind == TagKind::kHeading && mode_ == kBody) {
      BeginHeading();
    }
  }

  // Script and style hold no text for the reader: skipped up to their end
  // tag, in any letter case, or to the end of the page.
  void SkipRawText(std::string_view name) {
    while (i_ < p_.size()) {
      const size_t lt = p_.find("</", i_);
      if (lt == std::string_view::npos) break;
      size_t k = lt + 2, n = 0;
      while (n < name.size() && k < p_.size() && Lower(p_[k]) == name[n]) ++k, ++n;
      // Only a blank, "/" or ">" ends the tag's name: "</script2" or
      // "</script\xC2" are still script.
      if (n == name.size() && (k >= p_.size() || IsBlank(static_cast<unsigned char>(p_[k])) ||
                               p_[k] == '/' || p_[k] == '>')) {
        i_ = lt;
        return;
      }
      i_ = lt + 2;
    }
    i_ = p_.size();
  }

  void Anchor(const std::string& id) {
    auto command = anchors_.find(id);
    if (command == anchors_.end()) {
      EndWord();  // the word before the anchor is no text after it
      if (mode_ == kHeading && !mergedHeading_ && Current().anchor.empty()) {
        Current().anchor = id;
      }
      pendingAnchor_ = id;
      return;
    }
    // The same anchor twice in a row (an element's id and an <a name>
    // inside it) is one place.
    if (mode_ == kPageTitle || id == Current().anchor) return;
    if (mode_ == kHeading && !mergedHeading_ && headingOwnsSection_ &&
        Current().bodyWords.empty()) {
      // <h3><a name="Cmd">: the heading's section becomes the command's.
      Current().anchor = id;
      Current().title = command->second;
      commandSection_ = true;
      mergedHeading_ = true;
      return;
    }
    NewSection(id, command->second);
    commandSection_ = true;
    if (mode_ == kHeading) mergedHeading_ = true;
  }

  void NewSection(const std::string& anchor, const std::string& title) {
    EndWord();
    AddSection();
    Current().anchor = anchor;
    Current().title = title;
    excerptChars_ = 0;
    commandSection_ = false;
    headingOwnsSection_ = false;
  }

  void BeginHeading() {
    mode_ = kHeading;
    headingText_.clear();
    headingChars_ = 0;
    // A heading right after a command's anchor, with no anchor of its own,
    // names that command: its words join the command's title.
    mergedHeading_ = commandSection_ && Current().bodyWords.empty() && pendingAnchor_.empty();
    if (!mergedHeading_) {
      NewSection(pendingAnchor_, std::string());
      headingOwnsSection_ = true;
    }
  }

  void EndHeading() {
    EndWord();
    if (!mergedHeading_ && Current().title.empty()) Current().title = headingText_;
    mode_ = kBody;
    blank_ = true;
  }

  PageText Finish(std::string_view fallbackTitle) {
    if (mode_ == kHeading) EndHeading();
    const std::string pageTitle = pageTitle_.empty() ? std::string(fallbackTitle) : pageTitle_;
    TextSection& lead = out_.sections.front();
    lead.title = pageTitle;
    lead.titleWords = pageTitleWords_;
    PageText result;
    for (TextSection& s : out_.sections) {
      if (s.title.empty()) s.title = pageTitle;
      if (s.titleWords.empty() && !s.anchor.empty() && anchors_.count(s.anchor)) {
        s.titleWords = FoldWords(s.title);
      }
      if (s.titleWords.empty() && s.bodyWords.empty()) continue;
      result.sections.push_back(std::move(s));
    }
    return result;
  }

  static std::string FoldWords(const std::string& text) {
    std::string words, word;
    size_t pos = 0, chars = 0;
    while (pos <= text.size()) {
      const char32_t c = pos < text.size() ? NextChar(text, pos, Charset::kUtf8) : (++pos, 0);
      if (c && IsWordChar(c)) {
        if (chars++ < kMaxWordChars) AppendFolded(c, word);
      } else if (!word.empty()) {
        words += word + ' ';
        word.clear();
        chars = 0;
      }
    }
    return words;
  }

  std::string_view p_;
  const std::map<std::string, std::string>& anchors_;
  Charset charset_;
  size_t i_ = 0;
  PageText out_;
  Mode mode_ = kBody;
  bool wordOpen_ = false;  // a word's first bytes are written to WordsOut()
  size_t wordChars_ = 0;
  bool blank_ = false;
  size_t excerptChars_ = 0;
  std::string pageTitle_, pageTitleWords_;
  size_t pageTitleChars_ = 0;
  std::string headingText_;
  size_t headingChars_ = 0;
  std::string pendingAnchor_;
  bool commandSection_ = false;
  bool mergedHeading_ = false;
  bool headingOwnsSection_ = false;
};

}  // namespace

PageText ExtractPageText(std::string_view page, const std::map<std::string, std::string>& anchors,
                         std::string_view fallbackTitle) {
  return Extractor(page, anchors).Run(fallbackTitle);
}

}  // namespace lexidor::fulltext
