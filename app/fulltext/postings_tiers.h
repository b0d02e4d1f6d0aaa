// A common word's postings in tiers, best scores first, so that a page
// showing its first hits reads only the files of its first tier or two;
// and its best sections as a hit shows them, kept with its postings.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
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
  std::vector<Posting> all;
  uint32_t section = 0;
  for (size_t pos = 0; pos < in.size();) {
    section += GetNumber(in, pos);
    const size_t from = pos;
    const uint32_t inTitle = GetNumber(in, pos);
    const uint32_t count = GetNumber(in, pos);
    for (uint32_t k = 0; k < count; ++k) GetNumber(in, pos);
    all.push_back({section, digitOf(section, inTitle, count), from, pos});
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const Posting& a, const Posting& b) { return a.digit > b.digit; });
  tiers.clear();
  best.clear();
  top.clear();
  for (size_t i = 0; i < all.size() && i < topCount; ++i) top.push_back(all[i].section);
  size_t target = firstTier;
  for (size_t start = 0; start < all.size(); target *= 4) {
    size_t end = std::min(all.size(), start + target);
    while (end < all.size() && all[end].digit == all[end - 1].digit) ++end;
    best.push_back(all[start].digit);
    std::sort(all.begin() + start, all.begin() + end,
              [](const Posting& a, const Posting& b) { return a.section < b.section; });
    std::string& tier = tiers.emplace_back();
    uint32_t previous = 0;
    for (size_t i = start; i < end; ++i) {
      PutNumber(tier, all[i].section - previous);
      tier.append(in.substr(all[i].from, all[i].to - all[i].from));
      previous = all[i].section;
    }
    start = end;
  }
}

// Appends section `id` as a hit shows it: its number, its page's link, its
// anchor (0 when it is the title), its title and its excerpt, as the
// sections' files give them.
void AppendHitRow(std::string& out, const TTextIndex& index, uint32_t id);

}  // namespace lexidor::fulltext
