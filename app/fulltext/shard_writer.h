// Writing the text index as script files a page loads with <script> from
// file://, each at most kShardBytes and each registering itself:
//
//   (self.lexidorText=self.lexidorText||[]).push({g:"<generation>",k:...});
//
// - manifest.js (k:"m"): counts, and for each family of shards the range
//   of keys each file holds, so a page loads only the files a query needs;
// - d<n>.js (k:"d"): the dictionary, words in order, each with its stem;
// - p<n>.js (k:"p"): per stem its words and its postings: per section the
//   distance from the previous section, the section's score for the stem
//   (BM25, title words weighted above body words), the count of positions
//   and their distances; a stem too large for one file continues in the
//   next, its postings starting afresh;
// - s<n>.js (k:"s"): the sections in order: page, anchor, title, excerpt.
//
// Numbers in postings are written in base 32, most significant digit first,
// with the 64 characters A-Z a-z 0-9 - _: the first 32 end a number, the
// last 32 continue it.  Every file is ASCII (other characters as \u
// escapes), so a page of any charset reads it alike.  Every file carries the
// generation, so that a page never mixes the files of two builds.
#pragma once

#include <cstdint>
#include <string>

#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

constexpr size_t kShardBytes = 256 * 1024;

struct ShardResult {
  size_t files = 0;
  uint64_t bytes = 0;
  std::string error;  // "" when every file was written and synced
};

// Writes the files into `folder`, which exists.  `generation` is a short
// name of letters and digits.
ShardResult WriteShards(const TTextIndex& index, const std::string& folder,
                        const std::string& generation);

// Appends a JavaScript string literal holding the UTF-8 `text` (invalid
// bytes as U+FFFD), in ASCII.
void AppendScriptLiteral(std::string& out, std::string_view text);

// Appends a number in the postings' base-32 form.
void AppendBase32(std::string& out, uint32_t value);

// A path's bytes as a link: percent-encoded except letters, digits and
// "-._~/!$&'()*+,;=:@".
std::string LinkFromPath(std::string_view path);

}  // namespace lexidor::fulltext
