// The command list's anchors by page, in one flat table: a row per command
// that links to an anchor of a page.  A rebuild needs of most pages only
// whether their anchors changed since the last full build, which the hash
// of a page's rows tells without making the page's table of anchors; the
// tables (anchor -> the command's name, as the pages are cut by) are made
// only for the pages read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lexidor::fulltext {

class TAnchorTable {
 public:
  using PageAnchors = std::map<std::string, std::string>;
  using Anchors = std::map<std::string, PageAnchors>;

  // A row, added in the command list's order: `page` below the
  // documentation folder, `anchor` as written after its "#", `name` the
  // command's name in Latin-1.  The views must outlive the table.
  void Add(std::string_view page, std::string_view anchor, std::string_view name);
  // Room for `rows` rows (about a quarter as many pages).
  void Reserve(size_t rows);
  // Puts the rows in order (by page, then anchor, list order kept among
  // rows of one anchor); once, after the last Add and before any look-up.
  void Seal();

  size_t Pages() const { return pages_.size(); }
  // AnchorsHash(AnchorsKey(Map(page))), without making the table: for a
  // page that no command links to, that of an empty one.
  uint64_t Hash(std::string_view page) const;
  // The page's anchors with the names in UTF-8; the first command in list
  // order names an anchor that several link to.
  PageAnchors Map(std::string_view page) const;
  // Every page's (the full build's).
  Anchors Maps() const;

 private:
  struct Row {
    uint32_t page;
    std::string_view anchor, name;
  };
  // Puts the anchors of the page ranked `rank` by name into `out`: its
  // rows are rows_[start_[rank]..start_[rank + 1]) once sealed.
  void Fill(uint32_t rank, PageAnchors* out) const;
  int64_t Rank(std::string_view page) const;

  // The pages' numbers by name, in open addressing: each slot a name's
  // hash and its number in pages_ (kEmpty for none), a power of two of
  // them, at most half taken.  A look-up compares a name only where the
  // hashes are equal.
  struct Slot {
    uint64_t hash;
    uint32_t number;
  };
  static constexpr uint32_t kEmpty = UINT32_MAX;
  // The slot of `page` (of hash `hash`), or the empty one where it goes.
  size_t Find(std::string_view page, uint64_t hash) const;
  void Grow(size_t pages);

  std::vector<Slot> slots_;
  std::vector<std::string_view> pages_;  // by number: first row's order, by name once sealed
  std::vector<Row> rows_;
  std::vector<uint32_t> start_;
  bool sealed_ = false;
};

}  // namespace lexidor::fulltext
