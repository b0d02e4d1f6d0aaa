// A common word's postings in tiers, best scores first, so that a page
// showing its first hits reads only the files of its first tier or two;
// and its best sections as a hit shows them, kept with its postings.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

// One posting of a stem as ArrangeInTiers deals it: its section, its score
// digit and where the rest of it (title words, words, positions) lies in
// the stem's in-memory postings.
struct TieredPosting {
  uint32_t section, digit;
  size_t from, to;
};

// Reads a stem's in-memory postings (TArrangedPostings) into `all`: per
// posting its section and where the rest of it lies, its digit 0.
// `ahead(section)` is called as each section is read, so that what its
// score needs can be fetched while the rest is read.
template <typename Ahead>
void ReadPostings(std::string_view in, const Ahead& ahead, std::vector<TieredPosting>& all) {
  all.clear();
  uint32_t section = 0;
  for (size_t pos = 0; pos < in.size();) {
    section += GetNumber(in, pos);
    ahead(section);
    const size_t from = pos;
    GetNumber(in, pos);  // title words
    const uint32_t words = GetNumber(in, pos);
    for (uint32_t k = 0; k < words; ++k) GetNumber(in, pos);
    // Field by field into its place: a posting made whole on the stack
    // and copied there was read back at once, sixteen bytes over four
    // stores, which waited for the stores to be done.
    TieredPosting& posting = all.emplace_back();
    posting.section = section;
    posting.from = from;
    posting.to = pos;
  }
}

// Arranges a stem's postings `all` (ReadPostings of `in`) in tiers: each
// holds whole score digits (digitOf(section, title words, words), written
// into `all`), in section order, at least four times the postings of the
// one before, the first at least `firstTier`.  `tiered` gets the postings
// tier after tier (their bytes left where they are in `in`), `ends` where
// each tier ends in it, `best` each tier's highest digit, `top` the first
// `topCount` sections by score, then section.
template <typename DigitOf>
void ArrangeInTiers(std::string_view in, std::vector<TieredPosting>& all, const DigitOf& digitOf,
                    size_t firstTier, size_t topCount, std::vector<TieredPosting>& tiered,
                    std::vector<size_t>& ends, std::vector<uint32_t>& best,
                    std::vector<uint32_t>& top) {
  using Posting = TieredPosting;
  // Kept from stem to stem: most stems are tiered one after the other.
  thread_local std::vector<size_t> count;  // postings per digit
  thread_local std::vector<uint32_t> tierOf;
  thread_local std::vector<size_t> next;  // per tier, its next posting's place
  uint32_t highest = 0;
  for (Posting& p : all) {
    size_t at = p.from;
    const uint32_t inTitle = GetNumber(in, at);
    const uint32_t words = GetNumber(in, at);
    p.digit = digitOf(p.section, inTitle, words);
    highest = std::max(highest, p.digit);
  }
  count.assign(highest + 1, 0);
  for (const Posting& p : all) ++count[p.digit];

  // The digits from the highest down, a tier taking whole digits until it
  // holds its target.  The digits are few (a score's digit is below 64), so
  // counting them takes the place of sorting the postings.
  tierOf.assign(highest + 1, 0);
  best.clear();
  size_t tierCount = 0, target = firstTier, filled = 0;
  for (uint32_t d = highest + 1; d-- > 0;) {
    if (!count[d]) continue;
    if (filled == 0) {
      best.push_back(d);
      ++tierCount;
    }
    tierOf[d] = static_cast<uint32_t>(tierCount - 1);
    filled += count[d];
    if (filled >= target) {
      filled = 0;
      target *= 4;
    }
  }
  // One pass in section order deals every tier's postings in section
  // order, each tier's place known from the counts.
  ends.assign(tierCount, 0);
  for (uint32_t d = 0; d <= highest; ++d) ends[tierOf[d]] += count[d];
  for (size_t t = 1; t < tierCount; ++t) ends[t] += ends[t - 1];
  next.assign(tierCount, 0);
  for (size_t t = 1; t < tierCount; ++t) next[t] = ends[t - 1];
  tiered.resize(all.size());
  for (const Posting& p : all) tiered[next[tierOf[p.digit]]++] = p;

  // The first `topCount` by digit, then section: every posting above the
  // digit where they end, then that digit's first in section order.
  thread_local std::vector<std::pair<uint32_t, uint32_t>> first;  // (digit, section)
  first.clear();
  uint32_t last = highest;
  for (size_t above = 0; last > 0 && above + count[last] < topCount; --last) above += count[last];
  for (const Posting& p : all) {
    if (p.digit > last) first.emplace_back(p.digit, p.section);
  }
  for (const Posting& p : all) {
    if (first.size() >= topCount) break;
    if (p.digit == last) first.emplace_back(p.digit, p.section);
  }
  std::sort(first.begin(), first.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  top.clear();
  for (const auto& f : first) top.push_back(f.second);
}

// Appends section `id` as a hit shows it: its number, its page's link, its
// anchor (0 when it is the title), its title and its excerpt, as the
// sections' files give them.
void AppendHitRow(std::string& out, const TTextIndex& index, uint32_t id);

}  // namespace lexidor::fulltext
