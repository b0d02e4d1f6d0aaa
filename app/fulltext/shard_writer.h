// Writing the text index as script files a page loads with <script> from
// file://, each at most kShardBytes and each registering itself:
//
//   (self.lexidorText=self.lexidorText||[]).push({g:"<generation>",k:"<kind>",n:<number>,z:"..."});
//
// "z" holds the file's fields as one JSON object, deflated, its bytes as
// they are (packed_text.h): the page loads a file as windows-1252, where
// each byte is one character, and unpacks it when it has loaded it.
// - manifest.js (k:"m", with v:<kShardFormat> in the open): counts, and for
//   each family of shards the range of keys each file holds (of the
//   sections' files, each one's count of sections), so a page loads only
//   the files a query needs.  An index in two segments (a
//   rebuild's, delta_build.h) has instead "segments": per segment the
//   generation its files carry "g", the folder that holds them "dir" when
//   it is not the manifest's own ("../g7/", beside it), their names' prefix
//   "f", its count of sections, its ranges and, for the first, "mask": the
//   ranges [from, to) of its sections that the page leaves out;
// - d<n>.js (k:"d"): the dictionary, words in order, each with its stem,
//   front-coded in one string "w": per word, a digit for the characters
//   shared with the word before, the rest of the word, and where the stem
//   differs ":" with a digit for the characters cut from the word's end and
//   what the stem adds (or ":=" and the whole stem); words separated by
//   blanks; "+" ends the entry of a word whose stem has postings in tiers;
// - p<n>.js (k:"p"): the stems "t" and per stem its postings "d": per
//   section twice the distance from the previous section, plus 1 unless the
//   stem stands there once; the section's score for the stem (BM25, title
//   words weighted above body words) as one digit s, worth e^(s/16) - 1; the
//   count of positions unless it is 1; the positions' distances.  A stem too
//   large for one file continues in the next, its postings starting afresh.
//   A stem of many sections has its postings in tiers, best scores first,
//   each tier a part of its own in section order; "x" lists, for each part
//   of such a stem that more parts follow, its place in "t", the highest
//   score digit of any posting after it, and the stem's count of sections,
//   so that a page may stop reading once its best hits are found.  The
//   first part of every stem is in a p file, the further parts of a tiered
//   stem in q<n>.js (k:"q", the same form): a search that reads only its
//   stems' first parts finds them close together;
// - s<n>.js (k:"s"): the first section "f", the pages "p" and the sections
//   in order "r": page, anchor (0 when it is the title), title, excerpt;
// - a<n>.js (k:"a", a full build's only): the answers to a word's first
//   three or four letters searched alone (prefix_answers.h);
// - b<n>.js (k:"b", a full build's only): those to its first five or six
//   letters, where they show hits the shorter ones do not.
//
// Numbers in postings are written with the 93 printable ASCII characters
// but the quote and the backslash, in code order: the first 64 are a
// number's last digit (base 64), the other 29 the digits before it (base
// 29, most significant first): below 64 one character, below 1856 two.
// The packed fields are ASCII (other characters as \u escapes), and so is
// each file's text around "z", which comes first: no file begins with bytes
// a browser would take for a byte order mark.  Every file carries the
// generation, so that a page never mixes the files of two builds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

constexpr size_t kShardBytes = 256 * 1024;
// Changes whenever the files change form: a page refuses a manifest of
// another form instead of misreading it.
constexpr int kShardFormat = 7;

struct ShardResult {
  size_t files = 0;
  uint64_t bytes = 0;
  std::string error;  // "" when every file was written and synced
  // The key ranges of the files written, as the manifest gives them:
  // "d":[...],"p":[...],"q":[...] (each file's first and last key), "s":[...] (each
  // file's count of sections), and of a full build "a":[...] and "b":[...] (as "d").
  std::string ranges;
  // The index's stem ids in the byte order of their texts, as the postings
  // are written: a caller that needs that order takes it from here.
  std::vector<uint32_t> stemOrder;
  // Given to ShardsWritten only: the names of the index's files, the
  // manifest left out, in byte order (`files` and `bytes` count the same
  // files).
  std::vector<std::string> names;
};

// A segment written beside another one (a rebuild's changed pages beside
// the files of the pages that did not change): its files' names begin with
// `prefix`, its section numbers start at 0, and its scores are reckoned
// over the whole index it joins, so that they rank alike with the other's.
struct ShardSegment {
  std::string prefix;
  double sections = 0;     // sections of the whole index
  double totalLength = 0;  // their title and body words
  // Per stem of this segment's index: the sections of the whole index
  // that hold it.
  std::vector<uint32_t> frequency;
};

// Called once every file is made, on a thread of its own while the last of
// them are written, and before they are all synced, with the result so far
// (the files it will hold counted and named, its ranges and the stems'
// order given; `error` set when a write failed): the caller's own writing
// runs while the last files are written and the disk syncs them.  The
// index is no longer written to; a file that fails to be written after
// all is in the result WriteShards returns.
using ShardsWritten = std::function<void(const ShardResult&)>;

// Writes the files into `folder`, which exists.  `generation` is a short
// name of letters and digits.  Without `segment` the files are the whole
// index, with its manifest; with one, the caller writes the manifest.  The
// postings are taken out of `index` (TTextIndex::TakePostings); the rest
// of it stays.
ShardResult WriteShards(TTextIndex& index, const std::string& folder, const std::string& generation,
                        const ShardSegment* segment = nullptr,
                        const ShardsWritten& written = nullptr);

// Writes manifest.js into `folder`: `fields` are the members of its JSON
// object, packed.  Counts the file into `result`, or sets its error.
void WriteManifest(const std::string& folder, const std::string& generation,
                   const std::string& fields, ShardResult* result);

// Appends a JavaScript string literal holding the UTF-8 `text` (invalid
// bytes as U+FFFD), in ASCII.
void AppendScriptLiteral(std::string& out, std::string_view text);

// Appends a number in the postings' form.
void AppendNumber(std::string& out, uint32_t value);

// A BM25 score as the postings keep it: the digit 1..63 nearest to
// 16 ln(1 + score).
uint32_t ScoreDigit(double score);

// A path's bytes as a link: percent-encoded except letters, digits and
// "-._~/!$&'()*+,;=:@".
std::string LinkFromPath(std::string_view path);

// Appends a section as the sections' files and a word's first hits give
// it: its anchor (0 when it is the title), its title and its excerpt.
void AppendSectionFields(std::string& out, const SectionRecord& section);

}  // namespace lexidor::fulltext
