// The text index in memory: sections, their words stemmed, and per stem the
// sections that hold it with the positions of its words, gathered page by
// page and read by the shard writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/fulltext/page_text.h"
#include "app/fulltext/word_stemmer.h"
#include "runtime/large_memory.h"

namespace lexidor::fulltext {

// The word table and the postings are written whole when they are made,
// then read all over: in huge pages from one huge page on.
template <typename T>
using TableAllocator = LargeAllocator<T, kHugePage>;

struct SectionRecord {
  uint32_t page;
  std::string_view anchor, title, excerpt;  // kept by the index
  uint32_t titleLength;                     // words in the title
  uint32_t bodyLength;                      // words in the body
};

// One stem and what the writer needs of it besides its postings.
struct StemEntry {
  std::string text;
  uint32_t sections = 0;  // how many sections hold it
  // The bytes of its in-memory postings, counted as they are logged
  // (in the entry's padding: the entry is touched there anyway).
  uint32_t postingBytes = 0;
};

// The postings of every stem, taken out of the index, each stem's in one
// piece.  A stem's postings hold, per section in increasing order,
// variable-length numbers: the section's distance from the previous one
// (from 0 for the first), the count of title words, the count of all
// words, then the positions' distances.  Title words take positions
// 0..titleLength-1, body words follow one position later, so a phrase never
// runs from the title into the body.
class TArrangedPostings {
 public:
  std::string_view Of(uint32_t stem) const {
    return std::string_view(bytes_.get() + start_[stem], start_[stem + 1] - start_[stem]);
  }
  // Where a stem's postings lie, for reading them ahead, and where that
  // is kept, for reading it ahead.
  const char* At(uint32_t stem) const { return bytes_.get() + start_[stem]; }
  const void* Entry(uint32_t stem) const { return &start_[stem]; }

 private:
  friend class TTextIndex;
  // Mapped from the kernel, partly with the pages of the logs they were
  // put together from (see TakePostings); huge pages where it gives them.
  struct Unmap {
    size_t size;
    void operator()(char* bytes) const;
  };
  std::unique_ptr<char, Unmap> bytes_{nullptr, Unmap{0}};
  std::vector<size_t> start_;  // per stem where its postings start, then the end
};

class TTextIndex {
 public:
  TTextIndex();

  // Room for the records of `pages` pages of `bytes` bytes of HTML in
  // all, reserved before the first page: grown as they came, the tables of
  // sections, stems and words were copied over at each step.  Reserved
  // room that is never used is never touched.
  void Expect(size_t pages, uint64_t bytes);
  // A page, by its path below the documentation folder; returns its number.
  uint32_t AddPage(std::string path);
  void AddSection(uint32_t page, const TextSection& section);

  const std::vector<std::string>& Pages() const { return pages_; }
  const std::vector<SectionRecord>& Sections() const { return sections_; }
  const std::vector<StemEntry>& Stems() const { return stems_; }
  const std::vector<std::string>& Surfaces() const { return surfaceText_; }
  uint32_t SurfaceStem(uint32_t surface) const { return surfaceStem_[surface]; }
  uint64_t Words() const { return words_; }

  // Moves the postings out: the index holds none after (a second call
  // takes every stem's empty).
  TArrangedPostings TakePostings();

  // A word as the table keeps it: a word of up to kInline bytes as its
  // length and its bytes, zeros after, so that finding it reads the slot
  // only and compares three numbers; a longer one as kLong and the high
  // half of its hash, compared with its text in surfaceText_ on a match.
  static constexpr size_t kInline = 23;
  static constexpr unsigned char kLong = 0xFF;
  struct Key {
    unsigned char bytes[kInline + 1];
  };
  // One word of a section: where it lies in its words, its stem (once
  // looked up), its hash and key.
  struct Token {
    uint32_t from, length, stem;
    uint64_t hash;
    Key key;
  };
  // A section's words cut at their blanks, with their keys and hashes:
  // made by CutWords on any thread (a thread that cuts pages, while the
  // index adds the sections before), read by AddSection.
  struct SectionWords {
    std::vector<Token> title, body;
  };
  static void CutWords(const TextSection& section, SectionWords* out);
  // The same as AddSection(page, section), the section's words cut before
  // (`words` holds what CutWords made of `section`; the index writes the
  // stems into it).
  void AddSection(uint32_t page, const TextSection& section, SectionWords& words);

 private:
  static void Cut(const std::string& words, std::vector<Token>* tokens);
  // A word of the table: a whole cache line holds two.
  struct Slot {
    uint32_t surface;  // id + 1; 0 when empty
    uint32_t stem;
    Key key;
  };
  static_assert(sizeof(Slot) == 32, "two slots a cache line");

  // A stem the section being added holds: how often, how often in its
  // title, where its positions start in positions_, and the section that
  // held it last (+ 1; 0 for none).
  struct Held {
    uint32_t stem, count, inTitle, start, previous;
  };
  // Per stem: the section (+ 1) that last held it and its place in held_
  // there.
  struct Mark {
    uint32_t last, place;
  };
  // The postings are kept as logs, section after section, one log for
  // each kBucketStems stems in the order of their ids: per stem a section
  // holds, the stem's place among its log's stems, the length of its
  // posting, then the posting as the stem's postings hold it.  Appending
  // there writes to the ends of a few hundred logs, where appending to
  // each stem's own postings fetched the stems' entries and the ends of
  // their postings from all over the heap; TakePostings puts each log's
  // postings together by stem once, at the end, its stems' postings a
  // small part of memory.
  static constexpr uint32_t kBucketShift = 9, kBucketStems = 1u << kBucketShift;
  // A log's chunks are mapped from the kernel and unmapped as soon as
  // the log is taken, so that the logs and the postings put together from
  // them are never both held whole (given back to the allocator, their
  // memory stayed the process's: 90 MB more at 50,000 pages).
  struct Unmap {
    size_t size;
    void operator()(char* bytes) const;
  };
  struct LogChunk {
    std::unique_ptr<char, Unmap> bytes;
    size_t used, size;
  };
  struct LogEnd {
    char *at, *end;  // the free room of the log's last chunk
  };
  struct Log {
    std::vector<LogChunk> chunks;
    size_t bytes = 0;  // of its chunks
  };
  char* LogRoom(uint32_t bucket, size_t bytes);

  static uint64_t KeyOf(std::string_view word, Key* key);
  uint32_t StemOf(std::string_view word, const Key& key, uint64_t hash);
  uint32_t AddSurface(std::string_view word, const Key& key, size_t slot);
  uint32_t StemId(std::string stem);
  void Grow();
  void Collect(const std::string& words, std::vector<Token>& tokens, uint32_t section, bool title);

  TWordStemmer stemmer_;
  std::vector<Slot, TableAllocator<Slot>> slots_;  // open addressing, at most half full
  std::vector<std::string> surfaceText_;
  std::vector<uint32_t> surfaceStem_;
  // Stem ids by stem: open addressing, each slot the low half of the
  // stem's hash above the id + 1 (0 when empty), at most half full.
  std::vector<uint64_t> stemSlots_;
  std::vector<StemEntry> stems_;
  std::vector<std::string> pages_;
  std::vector<SectionRecord> sections_;
  // The sections' anchors, titles and excerpts, one after another in
  // chunks: no allocation of their own to make and free.
  std::vector<std::unique_ptr<char[]>> sectionText_;
  char *textAt_ = nullptr, *textEnd_ = nullptr;  // the last chunk's free room
  std::string_view KeepText(std::string_view text);
  uint64_t words_ = 0;

  std::vector<LogEnd> logEnds_;  // per log
  std::vector<Log> logs_;
  uint64_t postingBytes_ = 0;

  // Of the section being added.  seen_ has per stem the section (+ 1) that
  // last held it and its place in held_ there: no sort, no search.
  SectionWords cutWords_;  // of a section added with its words not cut before
  std::vector<Mark> seen_;
  std::vector<Held> held_;
  std::vector<uint32_t> hitHeld_;    // per word, its stem's place in held_
  std::vector<uint32_t> positions_;  // grouped by stem, in order
};

// Variable-length numbers of the in-memory postings: 7 bits a byte, the
// high bit set on all but the last byte.
void PutNumber(std::string& out, uint32_t value);
// Inline: the shard writer reads every number of every posting.
inline uint32_t GetNumber(std::string_view in, size_t& pos) {
  uint32_t value = 0;
  for (int shift = 0; pos < in.size(); shift += 7) {
    const unsigned char b = static_cast<unsigned char>(in[pos++]);
    value |= static_cast<uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return value;
}

}  // namespace lexidor::fulltext
