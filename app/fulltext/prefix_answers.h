// Answers made by the build to the searches a reader makes most while
// typing: a word's first three to six letters alone, searched as a prefix.
// Such a search stands for up to kPrefixStems stems and would load their
// postings and then the sections of its best hits, two rounds of loads; a
// page that has loaded the answers of a word's first two letters shows
// the third and fourth at once.  The fifth and sixth would mostly find
// their postings in (those of the fourth's search) but not the sections of
// their best hits: they are answered in files of their own (b<n>.js, of
// the same form; those a word's first four letters begin in one file,
// which a page loads with those letters), only where a hit they show is
// not one their nearest answered shorter prefix shows, and only where they
// hold a share of the sections (the words typed most).
//
// a<n>.js (k:"a", the form of shard_writer.h), keyed by prefix: "t" the
// prefixes in order, "a" per prefix [count, section, digit, section,
// digit, ...] (its sections, all of them counted once, or, negative, as
// many as it holds at least; its first kAnswerHits by score digit, then
// section: a section's digit is its best over the prefix's stems), "r" the
// rows of every section those name, once per file, as a postings file's
// first hits give them (number, page, anchor or 0, title, text; in a b
// file not those its nearest answered shorter prefix shows, whose rows a
// page that typed it holds), and "e"
// {place in "t": [stem, ...]}: the stems of a prefix whose words a page
// that marks the words beginning with the prefix would not mark all of
// ("run" of "runs"); in an a file "f" (when any) [place in "t", ...]: the
// prefixes of kFirstAnswersTo units that begin longer ones answered, whose
// b file a page loads (a b file's range of keys holds other prefixes too).
//
// A prefix's stems are those a page finds for it: the distinct stems of
// the dictionary's words that begin with it, in the dictionary's order,
// from the two dictionary files where those words begin, at most
// kPrefixStems.  Its length is counted as the page counts it, in UTF-16
// code units.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/fulltext/postings_tiers.h"
#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

class ShardFamily;

constexpr size_t kPrefixStems = 64, kAnswerHits = 10;
// The prefixes answered, in UTF-16 code units, and the longest of those in
// the a files (the rest in the b files).
constexpr size_t kAnsweredFrom = 3, kAnsweredTo = 6, kFirstAnswersTo = 4;

// The first `units` UTF-16 code units of UTF-8 `word`, as bytes; "" when
// it is shorter, or when they would end inside a character's surrogate pair.
std::string_view PrefixOfUnits(std::string_view word, size_t units);

// A prefix and the stems a page searches for it.
struct AnsweredPrefix {
  std::string text;
  std::vector<uint32_t> stems;
  size_t units = 0;  // its length
};

// The prefixes of `lengths` code units of the dictionary's words, in byte
// order, with their stems.  `words` are the dictionary's words (UTF-8) in
// byte order, `stemOf(i)` the stem of words[i] (below `stems`);
// `lastOfFile` the last word of each dictionary file.
template <typename Words, typename StemOf>
std::vector<AnsweredPrefix> PrefixesOf(const Words& words, const StemOf& stemOf, size_t stems,
                                       const std::vector<std::string_view>& lastOfFile);

class TPrefixAnswers {
 public:
  // Stems of `tiered` sections or more are given at once (AddStem), and
  // their sections not kept: a prefix that holds one beside others is
  // counted as holding at least as many sections as the most common of
  // its stems, or as its other stems together.  (Kept, a common stem's
  // sections were most of the postings, and their copy cost the build
  // more than the rest of the answers.)
  TPrefixAnswers(const TTextIndex& index, uint32_t tiered);

  // The dictionary's writer gives its words' prefixes (PrefixesOf), or
  // none when it failed; Write waits for them.
  void SetPrefixes(std::vector<AnsweredPrefix> prefixes, bool ok);

  // A postings writer (`half` 0 or 1, each on a thread of its own and
  // with stems of its own) gives each posting of a stem, in section
  // order, with its score digit, then ends the stem; or a stem's postings
  // of `tiered` sections or more at once (`all` in section order, their
  // digits set) with its first sections by digit, then section (`top`,
  // kAnswerHits or all).
  void AddStem(int half, uint32_t stem, const std::vector<TieredPosting>& all,
               const std::vector<uint32_t>& top);
  void Add(int half, uint32_t section, uint32_t digit) {
    Half& h = halves_[half];
    h.sections.push_back(section);
    const uint64_t key = KeyOf(section, digit);
    if (h.kept == kAnswerHits && key >= h.best[kAnswerHits - 1]) return;
    // Into its place among the best, the last going when they are full.
    size_t at = h.kept < kAnswerHits ? h.kept++ : kAnswerHits - 1;
    for (; at > 0 && h.best[at - 1] > key; --at) h.best[at] = h.best[at - 1];
    h.best[at] = key;
  }
  void EndStem(int half, uint32_t stem);

  // Once both halves are done: the answers into `first` (prefixes of up to
  // kFirstAnswersTo units) and `further` (the longer ones that show a hit
  // their nearest answered shorter prefix does not), a file per about
  // kAnswersFill bytes of text.  Nothing when the prefixes failed.
  void Write(const TTextIndex& index, ShardFamily& first, ShardFamily& further);

 private:
  // A section's place by digit (highest first), then section: lowest first.
  static uint64_t KeyOf(uint32_t section, uint32_t digit) {
    return static_cast<uint64_t>(63 - digit) << 32 | section;
  }
  // A prefix's count of sections and its best sections' keys, in order;
  // whether it is answered (when not, its count is not made).
  struct Reckoned {
    uint64_t count = 0;
    bool atLeast = false;
    uint64_t keys[kAnswerHits];
    size_t shown = 0;
    bool answered = false;
    size_t shorter = SIZE_MAX;  // of a longer one, its nearest answered shorter one
    bool further = false;       // of kFirstAnswersTo units: longer ones it begins answered
    // Whether `section` is among its best sections.
    bool Shows(uint32_t section) const {
      return std::any_of(keys, keys + shown,
                         [&](uint64_t key) { return static_cast<uint32_t>(key) == section; });
    }
  };
  void Reckon(std::vector<Reckoned>& out) const;
  // A prefix's best sections' keys, in order, into `r`.
  void Shown(const AnsweredPrefix& prefix, Reckoned& r) const;
  // A prefix's count of sections into `r`, with `marks` (cleared after).
  void Count(const AnsweredPrefix& prefix, Reckoned& r, std::vector<uint64_t>& marks) const;
  // Whether a prefix longer than kFirstAnswersTo, reckoned as `r`, shows a
  // hit its nearest answered shorter prefix (r.shorter, set here; of `out`,
  // the last answered of each length in `answeredLast`) does not, or has
  // no such prefix.
  bool ShowsMore(const AnsweredPrefix& prefix, Reckoned& r,
                 const std::vector<Reckoned>& out, const size_t* answeredLast) const;

  struct Half {
    std::vector<uint32_t> sections;  // of its stems, one after the other
    uint64_t best[kAnswerHits];      // the open stem's best keys, in order
    size_t kept = 0;                 // of them
    std::vector<uint64_t> tops;      // each stem's best keys, in order
    uint32_t start = 0;              // the open stem's first in `sections`
  };
  struct Stem {
    uint32_t from = 0, to = 0;  // its sections in its half's (none kept: equal)
    uint32_t sections = 0;      // how many it holds
    uint32_t top = 0;           // its best keys in its half's
    uint8_t half = 0, count = 0;
  };
  struct Filler;
  Half halves_[2];
  std::vector<Stem> stems_;
  size_t sections_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool given_ = false, ok_ = false;
  std::vector<AnsweredPrefix> prefixes_;
};

template <typename Words, typename StemOf>
std::vector<AnsweredPrefix> PrefixesOf(const Words& words, const StemOf& stemOf, size_t stems,
                                       const std::vector<std::string_view>& lastOfFile) {
  std::vector<AnsweredPrefix> out;
  // Per length, each stem's last prefix (its place in `out`, plus 1).
  constexpr size_t kLengths = kAnsweredTo - kAnsweredFrom + 1;
  std::vector<uint32_t> lastPrefix[kLengths];
  for (std::vector<uint32_t>& last : lastPrefix) last.assign(stems, 0);
  // Per length, the prefix open and the dictionary file its words begin in.
  struct Open {
    size_t index = SIZE_MAX;  // in `out`
    size_t file = 0;
  } open[kLengths];
  size_t file = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    while (file + 1 < lastOfFile.size() && word > lastOfFile[file]) ++file;
    for (size_t n = 0; n < kLengths; ++n) {
      const std::string_view prefix = PrefixOfUnits(word, kAnsweredFrom + n);
      Open& o = open[n];
      if (prefix.empty()) continue;
      if (o.index == SIZE_MAX || out[o.index].text != prefix) {
        o.index = out.size();
        o.file = file;
        out.push_back({std::string(prefix), {}, kAnsweredFrom + n});
      }
      // A page reads the words of a prefix in two dictionary files at most.
      std::vector<uint32_t>& found = out[o.index].stems;
      const uint32_t stem = stemOf(i);
      uint32_t& last = lastPrefix[n][stem];
      if (file <= o.file + 1 && found.size() < kPrefixStems && last != o.index + 1) {
        last = static_cast<uint32_t>(o.index + 1);
        found.push_back(stem);
      }
    }
  }
  std::sort(out.begin(), out.end(),
            [](const AnsweredPrefix& a, const AnsweredPrefix& b) { return a.text < b.text; });
  return out;
}

}  // namespace lexidor::fulltext
