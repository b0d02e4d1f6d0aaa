#include "app/fulltext/postings_tiers.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace lexidor::fulltext {
namespace {

// Random stems' postings dealt to tiers: every posting once, with its own
// bytes; whole digits per tier, best first, each tier in section order and
// large enough; the first hits those of a sort by digit, then section.
TEST(PostingsTiersTest, EveryPostingLandsOnceInItsDigitsTier) {
  std::mt19937 random(25);
  for (const size_t postings : {1, 31, 32, 300, 5000}) {
    SCOPED_TRACE(postings);
    struct Made {
      uint32_t section, inTitle, words;
    };
    std::vector<Made> made;
    std::string in;
    uint32_t section = 0;
    for (size_t i = 0; i < postings; ++i) {
      section += 1 + random() % 50;
      const uint32_t words = 1 + random() % 200;  // some take two bytes
      made.push_back({section, static_cast<uint32_t>(random() % 2), words});
      PutNumber(in, section - (i ? made[i - 1].section : 0));
      PutNumber(in, made.back().inTitle);
      PutNumber(in, words);
      for (uint32_t k = 0; k < words; ++k) PutNumber(in, 1 + random() % 300);
    }
    auto digitOf = [](uint32_t s, uint32_t inTitle, uint32_t words) {
      return 1 + (s * 7 + inTitle * 5 + words) % 40;
    };
    std::vector<uint32_t> fetched;
    std::vector<TieredPosting> all, tiered;
    std::vector<size_t> ends;
    std::vector<uint32_t> best, top;
    ReadPostings(
        in, [&](uint32_t s) { fetched.push_back(s); }, all);
    ArrangeInTiers(in, all, digitOf, 32, 10, tiered, ends, best, top);

    ASSERT_EQ(fetched.size(), postings);
    ASSERT_EQ(tiered.size(), postings);
    ASSERT_EQ(ends.size(), best.size());
    ASSERT_EQ(ends.back(), postings);
    std::set<uint32_t> seen;
    size_t target = 32;
    for (size_t t = 0, from = 0; t < ends.size(); from = ends[t++], target *= 4) {
      ASSERT_LT(from, ends[t]);
      if (t + 1 < ends.size()) {
        EXPECT_GE(ends[t] - from, target) << "tier " << t;
      }
      uint32_t highest = 0;
      for (size_t i = from; i < ends[t]; ++i) {
        const TieredPosting& p = tiered[i];
        if (i > from) {
          EXPECT_LT(tiered[i - 1].section, p.section);
        }
        if (t + 1 < ends.size()) {
          EXPECT_GT(p.digit, best[t + 1]);
        }
        highest = std::max(highest, p.digit);
        ASSERT_TRUE(seen.insert(p.section).second);
        const auto m = std::lower_bound(made.begin(), made.end(), p.section,
                                        [](const Made& a, uint32_t s) { return a.section < s; });
        ASSERT_EQ(m->section, p.section);
        EXPECT_EQ(p.digit, digitOf(m->section, m->inTitle, m->words));
        size_t at = p.from;
        EXPECT_EQ(GetNumber(in, at), m->inTitle);
        EXPECT_EQ(GetNumber(in, at), m->words);
        for (uint32_t k = 0; k < m->words; ++k) GetNumber(in, at);
        EXPECT_EQ(at, p.to);
      }
      EXPECT_EQ(highest, best[t]);
    }

    std::vector<std::pair<uint32_t, uint32_t>> sorted;  // (digit, section)
    for (const Made& m : made)
      sorted.emplace_back(digitOf(m.section, m.inTitle, m.words), m.section);
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    sorted.resize(std::min<size_t>(10, sorted.size()));
    std::vector<uint32_t> expected;
    for (const auto& s : sorted) expected.push_back(s.second);
    EXPECT_EQ(top, expected);
  }
}

}  // namespace
}  // namespace lexidor::fulltext
