#include "app/fulltext/prefix_answers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexidor::fulltext {
namespace {

// A prefix is cut as a page counts a word's letters, in UTF-16 code units:
// a character of four UTF-8 bytes counts two, and is never cut in half.
TEST(PrefixAnswersTest, PrefixesAreCutInUtf16CodeUnits) {
  const struct {
    const char* word;
    size_t units;
    const char* prefix;
  } cases[] = {
      {"tree", 3, "tre"},
      {"tree", 4, "tree"},
      {"tre", 4, ""},
      {"caf\xC3\xA9s", 4, "caf\xC3\xA9"},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 3, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {"ab\xF0\x9F\x98\x80x", 4, "ab\xF0\x9F\x98\x80"},
      {"abc\xF0\x9F\x98\x80", 4, ""},  // would end inside the pair
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PrefixOfUnits(c.word, c.units), c.prefix) << c.word << " " << c.units;
  }
}

// A prefix of three to six letters stands for the distinct stems of the
// words that begin with it, in the dictionary's order, from the two
// dictionary files where those words begin, at most kPrefixStems.
TEST(PrefixAnswersTest, APrefixHasTheStemsAPageFindsForIt) {
  std::vector<std::string> words = {"tra", "tre", "treat", "treats", "tree", "trees", "trek"};
  std::vector<uint32_t> stems = {0, 1, 2, 2, 3, 3, 4};
  auto stemOf = [&](size_t i) { return stems[i]; };
  // Files end at "treat", "trees", "trek": "trek" lies in the third file
  // from the one "tre" begins in.
  const auto found = PrefixesOf(words, stemOf, 5, {"treat", "trees", "trek"});
  std::vector<std::string> texts;
  std::vector<size_t> units;
  for (const AnsweredPrefix& p : found) texts.push_back(p.text), units.push_back(p.units);
  EXPECT_EQ(texts, (std::vector<std::string>{"tra", "tre", "trea", "treat", "treats", "tree",
                                             "trees", "trek"}));
  EXPECT_EQ(units, (std::vector<size_t>{3, 3, 4, 5, 6, 4, 5, 4}));
  EXPECT_EQ(found[1].stems, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(found[2].stems, (std::vector<uint32_t>{2}));
  EXPECT_EQ(found[4].stems, (std::vector<uint32_t>{2}));
  EXPECT_EQ(found[6].stems, (std::vector<uint32_t>{3}));
  EXPECT_EQ(found[7].stems, (std::vector<uint32_t>{4}));

  // Past kPrefixStems stems, a prefix takes no more: the first ones.
  words.clear();
  stems.clear();
  for (uint32_t i = 0; i < kPrefixStems + 5; ++i) {
    words.push_back("abc" + std::string(1, static_cast<char>('a' + i / 26)) +
                    static_cast<char>('a' + i % 26));
    stems.push_back(i);
  }
  const auto many = PrefixesOf(words, stemOf, stems.size(), {words.back()});
  ASSERT_EQ(many.size(), 4 + words.size());
  EXPECT_EQ(many[0].text, "abc");
  ASSERT_EQ(many[0].stems.size(), kPrefixStems);
  EXPECT_EQ(many[0].stems.back(), kPrefixStems - 1);
  EXPECT_EQ(many[many.size() - 18].text, "abcc");
  EXPECT_EQ(many[many.size() - 18].stems.size(), kPrefixStems + 5 - 52);
}

}  // namespace
}  // namespace lexidor::fulltext
