// The text of an outside page: any bytes give sections whose words are
// folded word characters of bounded length, whose displayed texts are valid
// UTF-8 of bounded length, and which the shard writer turns into ASCII
// script literals.  (Whether a "<script>" among any bytes opens a script
// depends on the tags and quotes around it, as in a browser; the tests of
// the page reader check what is hidden.)
#include <string>

#include "app/fulltext/page_text.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/word_fold.h"
#include "runtime/string.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;
using namespace lexidor::fulltext;

namespace {

void CheckWords(const std::string& words) {
  size_t start = 0;
  while (start < words.size()) {
    const size_t end = words.find(' ', start);
    FUZZ_CHECK(end != std::string::npos, "every word ends with a blank");
    const std::string word = words.substr(start, end - start);
    FUZZ_CHECK(!word.empty(), "no empty word");
    FUZZ_CHECK(word.size() <= kMaxWordChars * 3, word);
    FUZZ_CHECK(IsValidUtf8(word), word);
    for (char c : word) {
      FUZZ_CHECK(!(c >= 'A' && c <= 'Z'), word);
      FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x80 || IsWordChar(static_cast<unsigned char>(c)),
                 word);
    }
    start = end + 1;
  }
}

void CheckShown(const std::string& text, size_t chars) {
  FUZZ_CHECK(IsValidUtf8(text), text);
  FUZZ_CHECK(text.size() <= chars * 4, text);
  std::string literal;
  AppendScriptLiteral(literal, text);
  for (unsigned char c : literal) FUZZ_CHECK(c >= 0x20 && c < 0x7F, literal);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const PageText text = ExtractPageText(page, {{"a", "Alpha"}, {"b", "Beta"}}, "page.html");
  for (const TextSection& s : text.sections) {
    CheckWords(s.titleWords);
    CheckWords(s.bodyWords);
    FUZZ_CHECK(!s.titleWords.empty() || !s.bodyWords.empty(), "a section holds words");
    CheckShown(s.title, kTitleChars > 200 ? kTitleChars : 200);
    CheckShown(s.excerpt, kExcerptChars);
  }
  return 0;
}
