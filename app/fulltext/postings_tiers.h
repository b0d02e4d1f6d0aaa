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

// Arranges a stem's in-memory postings `in` (TArrangedPostings) in tiers:
// each holds whole score digits (digitOf(section, title words, words)), in
// section order (its distances from 0), at least four times the postings
// of the one before, the first at least `firstTier`.  `tiers` get the
// in-memory form, `best` each tier's highest digit, `top` the first
// `topCount` sections by score, then section.
template <typename DigitOf>
void ArrangeInTiers(std::string_view in, const DigitOf& digitOf, size_t firstTier, size_t topCount,
                    std::vector<std::string>& tiers, std::vector<uint32_t>& best,
                    std::vector<uint32_t>& top) {
  struct Posting {
    uint32_t section, digit;
    size_t from, to;  // its bytes after the section's distance
  };
  // Kept from stem to stem: most stems are tiered one after the other.
  thread_local std::vector<Posting> all;
  thread_local std::vector<size_t> count;  // postings per digit
  thread_local std::vector<uint32_t> tierOf, previous;
  all.clear();
  uint32_t section = 0, highest = 0;
  for (size_t pos = 0; pos < in.size();) {
    section += GetNumber(in, pos);
    const size_t from = pos;
    const uint32_t inTitle = GetNumber(in, pos);
    const uint32_t words = GetNumber(in, pos);
    for (uint32_t k = 0; k < words; ++k) GetNumber(in, pos);
    const uint32_t digit = digitOf(section, inTitle, words);
    highest = std::max(highest, digit);
    all.push_back({section, digit, from, pos});
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
  // One pass in section order fills every tier in section order.
  tiers.resize(tierCount);
  for (std::string& tier : tiers) tier.clear();
  previous.assign(tierCount, 0);
  for (const Posting& p : all) {
    const uint32_t t = tierOf[p.digit];
    PutNumber(tiers[t], p.section - previous[t]);
    tiers[t].append(in.substr(p.from, p.to - p.from));
    previous[t] = p.section;
  }

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
