#include "app/fulltext/text_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

namespace lexidor::fulltext {
namespace {

// What a stem's postings hold for one section, decoded.
struct Posting {
  uint32_t inTitle = 0;
  std::vector<uint32_t> positions;
  bool operator==(const Posting& o) const {
    return inTitle == o.inTitle && positions == o.positions;
  }
};
using Postings = std::map<uint32_t, Posting>;  // by section

// Random sections of words that share stems ("load", "loads", "loading"),
// run long (past what a lookup slot keeps), hold digits or accents, and
// number more than the lookup table's first size: the index must give, per
// stem, each section's title count and positions exactly as counted here.
TEST(TextIndexTest, PostingsHoldEverySectionsWordsAndPositions) {
  std::mt19937 random(7);
  std::vector<std::string> vocabulary;
  for (const char* w : {"load", "loads", "loaded", "loading", "caf\xC3\xA9", "x1", "a"}) {
    vocabulary.push_back(w);
  }
  for (int i = 0; i < 3000; ++i) {
    std::string word;
    const int length = 1 + static_cast<int>(random() % (i % 10 == 0 ? 40 : 9));
    for (int k = 0; k < length; ++k) word += static_cast<char>('a' + random() % 26);
    vocabulary.push_back(word + (i % 3 == 0 ? "ing" : i % 3 == 1 ? "s" : ""));
  }
  auto words = [&](int count) {
    std::string out;
    for (int k = 0; k < count; ++k) {
      // Long-tailed: the first words come often.
      const size_t pick = random() % (random() % 2 ? 20 : vocabulary.size());
      out += vocabulary[pick] + ' ';
    }
    return out;
  };
  TWordStemmer stemmer;
  TTextIndex index;
  std::map<std::string, Postings> expected;  // by stem
  std::set<std::string> distinct;
  for (int s = 0; s < 400; ++s) {
    if (s % 50 == 0) index.AddPage("p" + std::to_string(s));
    TextSection section;
    section.titleWords = words(static_cast<int>(random() % 4));
    section.bodyWords = words(static_cast<int>(random() % 120));
    // Now and then a word many times over: a posting longer than most.
    for (int k = 0; k < (s % 37 == 0 ? 40 + s : 0); ++k) section.bodyWords += "loading ";
    index.AddSection(static_cast<uint32_t>(index.Pages().size() - 1), section);
    uint32_t position = 0;
    for (const std::string* part : {&section.titleWords, &section.bodyWords}) {
      for (size_t at = 0; at < part->size();) {
        const size_t end = part->find(' ', at);
        const std::string word = part->substr(at, end - at);
        distinct.insert(word);
        Posting& posting = expected[stemmer.Stem(word)][s];
        posting.inTitle += part == &section.titleWords;
        posting.positions.push_back(position++);
        at = end + 1;
      }
      if (part == &section.titleWords) ++position;
    }
  }
  ASSERT_EQ(index.Sections().size(), 400u);
  // Every surface once, with its stem.
  EXPECT_EQ(std::set<std::string>(index.Surfaces().begin(), index.Surfaces().end()), distinct);
  EXPECT_EQ(index.Surfaces().size(), distinct.size());
  for (uint32_t id = 0; id < index.Surfaces().size(); ++id) {
    const StemEntry& stem = index.Stems()[index.SurfaceStem(id)];
    EXPECT_EQ(stem.text, stemmer.Stem(index.Surfaces()[id]));
  }
  ASSERT_EQ(index.Stems().size(), expected.size());
  const TArrangedPostings postings = index.TakePostings();
  uint64_t total = 0;
  for (uint32_t id = 0; id < index.Stems().size(); ++id) {
    const StemEntry& stem = index.Stems()[id];
    const std::string_view in = postings.Of(id);
    Postings found;
    uint32_t section = 0;
    for (size_t pos = 0; pos < in.size();) {
      section += GetNumber(in, pos);
      Posting& posting = found[section];
      posting.inTitle = GetNumber(in, pos);
      const uint32_t count = GetNumber(in, pos);
      uint32_t at = 0;
      for (uint32_t k = 0; k < count; ++k) posting.positions.push_back(at += GetNumber(in, pos));
      total += count;
    }
    EXPECT_EQ(stem.sections, found.size()) << stem.text;
    EXPECT_TRUE(found == expected[stem.text]) << stem.text;
  }
  EXPECT_EQ(total, index.Words());
}

}  // namespace
}  // namespace lexidor::fulltext
