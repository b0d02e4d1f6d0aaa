// The text index in memory: sections, their words stemmed, and per stem the
// sections that hold it with the positions of its words, gathered page by
// page and read by the shard writer.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/fulltext/page_text.h"
#include "app/fulltext/word_stemmer.h"

namespace lexidor::fulltext {

struct SectionRecord {
  uint32_t page;
  std::string anchor, title, excerpt;
  uint32_t titleLength;  // words in the title
  uint32_t bodyLength;   // words in the body
};

// One stem and what the writer needs of it.  `postings` holds, per section
// in increasing order, variable-length numbers: the section's distance from
// the previous one (from 0 for the first), the count of title words, the
// count of all words, then the positions' distances.  Title words take
// positions 0..titleLength-1, body words follow one position later, so a
// phrase never runs from the title into the body.
struct StemEntry {
  std::string text;
  std::vector<uint32_t> surfaces;  // the words (surface ids) that have this stem
  std::string postings;
  uint32_t lastSection = 0;
  uint32_t sections = 0;  // how many sections hold it
};

class TTextIndex {
 public:
  // A page, by its path below the documentation folder; returns its number.
  uint32_t AddPage(std::string path);
  void AddSection(uint32_t page, const TextSection& section);

  const std::vector<std::string>& Pages() const { return pages_; }
  const std::vector<SectionRecord>& Sections() const { return sections_; }
  const std::vector<StemEntry>& Stems() const { return stems_; }
  const std::vector<std::string>& Surfaces() const { return surfaceText_; }
  uint32_t SurfaceStem(uint32_t surface) const { return surfaceStem_[surface]; }
  uint64_t Words() const { return words_; }

 private:
  uint32_t SurfaceId(std::string_view word);
  void Collect(const std::string& words, uint32_t* position);

  TWordStemmer stemmer_;
  // Surface ids by word: open addressing, each slot the id + 1 (0 when
  // empty) and the high half of the word's hash, so that a lookup touches
  // one slot and, mostly, the one word it finds.
  std::vector<std::pair<uint32_t, uint32_t>> slots_ =
      std::vector<std::pair<uint32_t, uint32_t>>(1024);
  std::vector<std::string> surfaceText_;
  std::vector<uint32_t> surfaceStem_;
  std::unordered_map<std::string, uint32_t> stemIds_;
  std::vector<StemEntry> stems_;
  std::vector<std::string> pages_;
  std::vector<SectionRecord> sections_;
  uint64_t words_ = 0;
  std::vector<uint64_t> hits_;  // stem << 32 | position, of one section
};

// Variable-length numbers of the in-memory postings: 7 bits a byte, the
// high bit set on all but the last byte.
void PutNumber(std::string& out, uint32_t value);
uint32_t GetNumber(const std::string& in, size_t& pos);

}  // namespace lexidor::fulltext
