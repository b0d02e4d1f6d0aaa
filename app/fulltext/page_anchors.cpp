#include "app/fulltext/page_anchors.h"

#include <algorithm>
#include <functional>

#include "app/fulltext/base_state.h"
#include "runtime/string.h"

namespace lexidor::fulltext {

namespace {

// Latin-1 bytes as UTF-8, appended (as Latin1ToUtf8 makes them).
void AppendUtf8(std::string& out, std::string_view latin1) {
  for (const unsigned char c : latin1) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

}  // namespace

void TAnchorTable::Add(std::string_view page, std::string_view anchor, std::string_view name) {
  if (2 * (pages_.size() + 1) > slots_.size()) Grow(pages_.size() + 1);
  const uint64_t hash = std::hash<std::string_view>()(page);
  Slot& slot = slots_[Find(page, hash)];
  if (slot.number == kEmpty) {
    slot = {hash, static_cast<uint32_t>(pages_.size())};
    pages_.push_back(page);
  }
  rows_.push_back({slot.number, anchor, name});
}

void TAnchorTable::Reserve(size_t rows) {
  rows_.reserve(rows);
  Grow(rows / 4);
}

size_t TAnchorTable::Find(std::string_view page, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  size_t at = hash & mask;
  for (; slots_[at].number != kEmpty; at = (at + 1) & mask) {
    if (slots_[at].hash == hash && pages_[slots_[at].number] == page) break;
  }
  return at;
}

void TAnchorTable::Grow(size_t pages) {
  size_t size = 64;
  while (size < 2 * pages) size *= 2;
  if (size <= slots_.size()) return;
  std::vector<Slot> old(size, Slot{0, kEmpty});
  old.swap(slots_);
  const size_t mask = size - 1;
  for (const Slot& slot : old) {
    if (slot.number == kEmpty) continue;
    size_t at = slot.hash & mask;
    while (slots_[at].number != kEmpty) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

void TAnchorTable::Seal() {
  // The pages by name, each one's rows from `start_[rank]` on, put there
  // by counting: no table per page.
  std::vector<uint32_t> byName(pages_.size());
  for (uint32_t p = 0; p < byName.size(); ++p) byName[p] = p;
  std::sort(byName.begin(), byName.end(),
            [&](uint32_t a, uint32_t b) { return pages_[a] < pages_[b]; });
  std::vector<uint32_t> rank(pages_.size());
  for (uint32_t r = 0; r < byName.size(); ++r) rank[byName[r]] = r;
  start_.assign(pages_.size() + 1, 0);
  for (const Row& row : rows_) ++start_[rank[row.page] + 1];
  for (size_t r = 1; r < start_.size(); ++r) start_[r] += start_[r - 1];
  {
    std::vector<Row> ordered(rows_.size());
    std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
    for (const Row& row : rows_) ordered[next[rank[row.page]]++] = row;
    rows_ = std::move(ordered);
  }
  // Within a page, by anchor; rows of one anchor stay in list order, so
  // that the first of them is the one that names it.  A page has a few
  // rows: sorted by insertion.
  const auto byAnchor = [](const Row& a, const Row& b) { return a.anchor < b.anchor; };
  for (size_t r = 0; r + 1 < start_.size(); ++r) {
    const auto first = rows_.begin() + start_[r], last = rows_.begin() + start_[r + 1];
    if (last - first > 64) {
      std::stable_sort(first, last, byAnchor);
      continue;
    }
    for (auto i = first + 1; i < last; ++i) {
      const Row row = *i;
      auto j = i;
      for (; j > first && byAnchor(row, *(j - 1)); --j) *j = *(j - 1);
      *j = row;
    }
  }
  std::vector<std::string_view> sorted(pages_.size());
  for (uint32_t p = 0; p < pages_.size(); ++p) sorted[rank[p]] = pages_[p];
  pages_ = std::move(sorted);
  for (Slot& slot : slots_) {
    if (slot.number != kEmpty) slot.number = rank[slot.number];
  }
  sealed_ = true;
}

int64_t TAnchorTable::Rank(std::string_view page) const {
  if (!sealed_ || slots_.empty()) return -1;
  const Slot& slot = slots_[Find(page, std::hash<std::string_view>()(page))];
  return slot.number == kEmpty ? -1 : static_cast<int64_t>(slot.number);
}

uint64_t TAnchorTable::Hash(std::string_view page) const {
  // The page's key as the pages are cut by it (page_source.h): each
  // anchor, 1, its name in UTF-8, 2, by anchor.
  std::string key;
  const int64_t r = Rank(page);
  if (r >= 0) {
    const Row* last = nullptr;
    for (uint32_t k = start_[r]; k < start_[r + 1]; ++k) {
      const Row& row = rows_[k];
      if (last && last->anchor == row.anchor) continue;
      last = &row;
      key += row.anchor;
      key += '\x01';
      AppendUtf8(key, row.name);
      key += '\x02';
    }
  }
  return AnchorsHash(key);
}

void TAnchorTable::Fill(uint32_t rank, PageAnchors* out) const {
  const Row* last = nullptr;
  for (uint32_t k = start_[rank]; k < start_[rank + 1]; ++k) {
    const Row& row = rows_[k];
    if (last && last->anchor == row.anchor) continue;
    last = &row;
    out->emplace_hint(out->end(), std::string(row.anchor), Latin1ToUtf8(row.name));
  }
}

TAnchorTable::PageAnchors TAnchorTable::Map(std::string_view page) const {
  PageAnchors out;
  const int64_t r = Rank(page);
  if (r >= 0) Fill(static_cast<uint32_t>(r), &out);
  return out;
}

TAnchorTable::Anchors TAnchorTable::Maps() const {
  Anchors out;
  if (!sealed_) return out;
  for (uint32_t r = 0; r < pages_.size(); ++r) {
    Fill(r, &out.emplace_hint(out.end(), std::string(pages_[r]), PageAnchors())->second);
  }
  return out;
}

}  // namespace lexidor::fulltext
