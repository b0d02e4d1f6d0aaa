#include "app/fulltext/shard_writer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/fulltext/durable_file.h"
#include "app/fulltext/file_syncer.h"
#include "app/fulltext/packed_text.h"
#include "app/fulltext/postings_digits.h"
#include "app/fulltext/postings_tiers.h"
#include "app/fulltext/prefix_answers.h"
#include "app/fulltext/score_scale.h"
#include "app/fulltext/shard_family.h"

namespace lexidor::fulltext {

namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
// What a file of each family holds at most before the next begins, before
// it is packed: a query reads one dictionary file per word, the postings
// files of its stems and one sections file per hit it shows, so the files a
// query reads many of are the smaller.  Packed, text takes a third
// (sections) to two thirds (postings) of its room; deflated bytes that are
// quotes, backslashes or line ends are written as two.  Room is kept for
// the closing text and one entry's head.
constexpr size_t kDictionaryFill = 16 * 1024 - 2048;
constexpr size_t kPostingsFill = 96 * 1024 - 4096;
constexpr size_t kSectionsFill = 40 * 1024 - 4096;
// A hit shown loads a whole sections file for its one section, and a word
// the whole postings file its stem is in: smaller files load fewer bytes
// per query, but make more files.  The sections of a kit take about
// kSectionFiles files (a section about kSectionBytes), in files of
// kSmallSectionsFill (half the bytes per hit of the largest) up to
// kSectionsFill: below about 120,000 sections the small ones.  Likewise
// the postings take about kPostingsFiles files (a word of the pages about
// kPostingBytes), in files of kSmallPostingsFill up to kPostingsFill.
// Halving both small sizes at 5,000 pages read 206 KB a query in place of
// 247 KB and answered 25 further keystrokes of 54 at once in place of 22,
// but made 2,960 files in place of 1,227: each one created and synced by
// the build, 1.6 to 2.5 s more of system time.
constexpr size_t kSmallSectionsFill = 20 * 1024 - 4096;
constexpr size_t kSectionFiles = 2000, kSectionBytes = 270;
constexpr size_t kSmallPostingsFill = 32 * 1024 - 4096;
constexpr size_t kPostingsFiles = 1500, kPostingBytes = 4;
// Text that does not pack at all is stored (a few bytes more), and no more
// than every byte of it is escaped.
static_assert((kPostingsFill + 4096 + 1024 + 16 * 1024) * 2 + 1024 < kShardBytes,
              "every file within the limit");

// BM25 with the title's words counted three times, and a title match worth
// half as much again, so a match in a title ranks above one in the body.
constexpr double kK1 = 1.2, kB = 0.75, kTitleWeight = 3.0, kTitleBonus = 1.5;
// Stems in kTieredPostings sections or more: postings in tiers, the first
// of kFirstTier or more, and the kHitRows first hits (a page's first)
// kept with them, when they take no more than kHitRowsBytes.
constexpr uint32_t kTieredPostings = 256;
constexpr size_t kFirstTier = 32, kHitRows = 10, kHitRowsBytes = 16 * 1024;
// A tiered stem's first hits are its best for the prefixes' answers too.
static_assert(kHitRows >= kAnswerHits, "a stem's best sections for the answers");
// Positions kept per stem and section: enough for phrases in any real
// section, and a bound on one posting's size in a page of any length.
constexpr uint32_t kMaxPositions = 2000;

const ScoreScale& Scale() {
  static const ScoreScale scale;
  return scale;
}

// What BM25 needs of the whole index.
struct Collection {
  double sections;
  double averageLength;  // of a section, title words weighted
  // Per stem id, the sections holding it, when the index is one segment of
  // a larger one; else each stem's own count.
  const std::vector<uint32_t>* frequency = nullptr;
  // Per section, the part of BM25's denominator its length gives: a
  // posting reads one number here rather than the section's whole record.
  std::vector<double> lengthNorm;
};

// Characters (code points) of UTF-8 text.
size_t Chars(std::string_view text) {
  size_t n = 0;
  for (unsigned char b : text) n += (b & 0xC0) != 0x80;
  return n;
}

// Bytes `a` and `b` share at their start, ending on a character's
// boundary, at most `limit` characters.
size_t SharedPrefix(std::string_view a, std::string_view b, size_t limit) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  while (n > 0 && n < b.size() && (static_cast<unsigned char>(b[n]) & 0xC0) == 0x80) --n;
  while (Chars(b.substr(0, n)) > limit) {
    --n;
    while (n > 0 && (static_cast<unsigned char>(b[n]) & 0xC0) == 0x80) --n;
  }
  return n;
}

// The numbers 0..count-1 in the byte order of their texts (distinct).  The
// texts lie all over memory: each number is sorted beside its text's first
// sixteen bytes, and most comparisons read nothing else.
template <typename TextOf>
std::vector<uint32_t> OrderByText(size_t count, const TextOf& textOf) {
  struct Key {
    uint64_t high, low;  // big-endian, zeros past the end: ordered as the text
    uint32_t id;
  };
  std::vector<Key> keys(count);
  for (uint32_t id = 0; id < count; ++id) {
    const std::string_view text = textOf(id);
    uint64_t part[2] = {0, 0};
    for (size_t k = 0; k < 16; ++k) {
      part[k / 8] = part[k / 8] << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0u);
    }
    keys[id] = {part[0], part[1], id};
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    return textOf(a.id) < textOf(b.id);
  });
  std::vector<uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = keys[i].id;
  return order;
}

// The dictionary; and the prefixes of its words, for `answers` when given.
void WriteDictionary(const TTextIndex& index, ShardFamily& dict, TPrefixAnswers* answers) {
  const auto& surfaces = index.Surfaces();
  const std::vector<uint32_t> order =
      OrderByText(surfaces.size(), [&](uint32_t id) { return std::string_view(surfaces[id]); });
  std::string words;  // the open shard's literal, without its quotes
  std::string_view previous;
  auto flush = [&] {
    if (!dict.Open()) return;
    std::string& body = dict.Body();
    body += "\"w\":\"";
    body += words;
    body += '"';
    words.clear();
    dict.Finish();
  };
  // Front coding: the count of characters shared with the word before, the
  // rest of the word; then, when the stem differs, ":", the count of
  // characters cut from the word's end and what the stem adds.  Made in
  // one string kept from word to word.
  std::string entry;
  auto literal = [&](const std::string& word, const std::string& stem) {
    const size_t shared = SharedPrefix(previous, word, 63);
    entry.assign(1, kDigits[Chars(std::string_view(word).substr(0, shared))]);
    entry.append(word, shared);
    if (stem != word) {
      const size_t kept = SharedPrefix(word, stem, word.size());
      const size_t cut = Chars(std::string_view(word).substr(kept));
      entry += ':';
      if (cut < 64) {
        entry += kDigits[cut];
        entry.append(stem, kept);
      } else {
        entry += '=';
        entry += stem;
      }
    }
  };
  // The entry, escaped, at the end of the open shard's literal.
  auto put = [&] {
    const size_t at = words.size();
    AppendScriptLiteral(words, entry);
    words.erase(at, 1);  // the literal's quotes
    words.pop_back();
  };
  for (uint32_t id : order) {
    const std::string& word = surfaces[id];
    const StemEntry& stemEntry = index.Stems()[index.SurfaceStem(id)];
    const std::string& stem = stemEntry.text;
    // "+": the stem's postings are in tiers, and its further tiers in the
    // q files; a stem without it has all its postings in the p files.
    const char* tiered = stemEntry.sections >= kTieredPostings ? "+" : "";
    literal(word, stem);
    entry += tiered;
    if (!dict.Open()) dict.Begin(word);
    const size_t before = words.size();
    if (before > 0) words += ' ';
    put();
    if (before > 0 && words.size() > kDictionaryFill) {
      // Past the fill: the word begins the next shard, coded afresh.
      words.resize(before);
      flush();
      previous = std::string_view();
      literal(word, stem);
      entry += tiered;
      dict.Begin(word);
      put();
    }
    previous = word;
    dict.SetLast(word);
  }
  flush();
  if (!answers) return;
  std::vector<std::string_view> sorted, lastOfFile;
  sorted.reserve(order.size());
  for (uint32_t id : order) sorted.push_back(surfaces[id]);
  for (const auto& range : dict.Ranges()) lastOfFile.push_back(range.second);
  answers->SetPrefixes(PrefixesOf(
                           sorted, [&](size_t i) { return index.SurfaceStem(order[i]); },
                           index.Stems().size(), lastOfFile),
                       true);
}

// How far ahead the postings' writer fetches the stems' entries.
constexpr size_t kFetchAhead = 8;

// A section's score for a stem, as its digit: BM25 over the title words
// weighted and the body's, a title match worth more.
inline uint32_t ImpactDigit(const ScoreScale& scale, double idf, uint32_t inTitle, uint32_t count,
                            double lengthNorm) {
  const double tf = kTitleWeight * inTitle + (count - inTitle);
  double score = idf * tf * (kK1 + 1) / (tf + lengthNorm);
  if (inTitle) score *= kTitleBonus;
  return scale.Digit(score);
}

// The postings of the stems order[from, to): every stem's first part into
// `post`, the further tiers of a tiered stem into `deep`; each posting's
// section and digit to `answers`, when given, as its `half`.
void WritePostings(const TTextIndex& index, const Collection& collection,
                   const std::vector<uint32_t>& order, const TArrangedPostings& postings,
                   size_t from, size_t to, ShardFamily& post, ShardFamily& deep,
                   TPrefixAnswers* answers, int half) {
  const auto& stems = index.Stems();
  const ScoreScale& scale = Scale();
  const double n = collection.sections;
  const size_t fill = std::clamp<size_t>(index.Words() * kPostingBytes / kPostingsFiles,
                                         kSmallPostingsFill, kPostingsFill);

  // The open shard of each of the two families: a search of one word or
  // prefix reads its stems' first parts only, most often, and finds them
  // together, not among the long tiers of the common words beside them.
  struct Sink {
    ShardFamily& family;
    std::string terms, data;  // "[...]" bodies without brackets
    // Of the tiered stems: "x", per part that more follow its place, the
    // highest digit after it and the stem's sections; "h", the place of
    // each one's first part and its first hits (AppendHitRow).
    std::string more, hits;
    size_t parts = 0;
  };
  Sink heads{post, {}, {}, {}, {}}, further{deep, {}, {}, {}, {}};
  Sink* sink = &heads;
  auto flush = [](Sink& to) {
    if (!to.family.Open()) return;
    std::string& body = to.family.Body();
    body += "\"t\":[";
    body += to.terms;
    body += "],\"d\":[";
    body += to.data;
    body += ']';
    if (!to.more.empty()) {
      body += ",\"x\":[";
      body += to.more;
      body += ']';
    }
    if (!to.hits.empty()) {
      body += ",\"h\":[";
      body += to.hits;
      body += ']';
    }
    to.terms.clear();
    to.data.clear();
    to.more.clear();
    to.hits.clear();
    to.parts = 0;
    to.family.Finish();
  };
  TextBuffer part;  // of the open stem in the open file
  std::string tail;
  std::vector<TieredPosting> all;       // of the stem, in section order
  std::vector<TieredPosting> arranged;  // of a tiered stem, tier after tier
  std::vector<size_t> ends;             // where each of its tiers ends there
  std::vector<uint32_t> best, top;
  std::string rows;  // the hits of the stem written, until its first part is
  for (size_t k = from; k < to; ++k) {
    const StemEntry& stem = stems[order[k]];
    const double df = collection.frequency ? (*collection.frequency)[order[k]] : stem.sections;
    const double idf = std::log(1 + (n - df + 0.5) / (df + 0.5));
    // A part of a tiered stem that more follow says the highest digit that
    // may come after it (`rest`); the stem's last part says nothing.
    auto addPart = [&](uint32_t rest = 0) {
      Sink& to = *sink;
      if (!to.terms.empty()) to.terms += ',', to.data += ',';
      AppendScriptLiteral(to.terms, stem.text);
      to.data += '"';
      to.data.append(part.View());
      to.data += '"';
      if (rest) {
        if (!to.more.empty()) to.more += ',';
        to.more += std::to_string(to.parts) + ',' + std::to_string(rest) + ',' +
                   std::to_string(stem.sections);
      }
      if (!rows.empty()) {  // the stem's first part
        if (!to.hits.empty()) to.hits += ',';
        to.hits += std::to_string(to.parts) + ",[";
        to.hits += rows;
        to.hits += ']';
        rows.clear();
      }
      ++to.parts;
      to.family.SetLast(stem.text);
      part.Resize(0);
    };
    sink = &heads;
    if (!post.Open()) post.Begin(stem.text);
    // The stems lie apart, in the order they were met, and most postings
    // are short: the entries of the stems a few places on, where their
    // postings start and then the postings themselves are fetched
    // meanwhile (each stem's entry was a cache miss).
    if (k + kFetchAhead < to) {
      __builtin_prefetch(&stems[order[k + kFetchAhead]]);
      __builtin_prefetch(postings.Entry(order[k + kFetchAhead]));
    }
    if (k + kFetchAhead / 2 < to) __builtin_prefetch(postings.At(order[k + kFetchAhead / 2]));
    const bool tiered = stem.sections >= kTieredPostings;
    const std::string_view in = postings.Of(order[k]);
    // The postings' sections first, each one's length term fetched as it
    // is read: a section's term is a cache miss where the sections of a
    // stem lie far apart, and reading them one by one waited for each.
    ReadPostings(
        in, [&](uint32_t section) { __builtin_prefetch(&collection.lengthNorm[section]); }, all);
    rows.clear();
    if (tiered) {
      ArrangeInTiers(
          in, all,
          [&](uint32_t section, uint32_t inTitle, uint32_t count) {
            return ImpactDigit(scale, idf, inTitle, count, collection.lengthNorm[section]);
          },
          kFirstTier, kHitRows, arranged, ends, best, top);
      if (answers) answers->AddStem(half, order[k], all, top);
      for (size_t i = 0; i < top.size(); ++i) {
        if (i) rows += ',';
        AppendHitRow(rows, index, top[i]);
      }
      // Sections of very long titles are left to the sections' files.
      if (rows.size() > kHitRowsBytes) rows.clear();
    } else {
      ends.assign(1, all.size());
    }
    // A tiered stem's postings in the order and with the digits
    // ArrangeInTiers gave them, another's in section order; their bytes
    // are read where they lie.
    const std::vector<TieredPosting>& list = tiered ? arranged : all;
    size_t t = 0, next = 0;
    uint32_t previous = 0;
    // Past a tier's end, the next tier starts a part of its own.
    auto nextTier = [&] {
      if (++t >= ends.size()) return false;
      addPart(best[t]);
      if (sink == &heads) {
        sink = &further;
        if (!deep.Open()) deep.Begin(stem.text);
      }
      previous = 0;
      return true;
    };
    for (;;) {
      if (next == ends[t] && !nextTier()) break;
      const TieredPosting& p = list[next++];
      const uint32_t section = p.section;
      size_t pos = p.from;
      const uint32_t inTitle = GetNumber(in, pos);
      const uint32_t count = GetNumber(in, pos);
      const uint32_t impact =
          tiered ? p.digit
                 : ImpactDigit(scale, idf, inTitle, count, collection.lengthNorm[section]);
      if (answers && !tiered) answers->Add(half, section, impact);
      const uint32_t kept = std::min(count, kMaxPositions);
      const bool several = kept != 1;
      // The head, then the positions' distances, which are the same in both
      // forms: the in-memory numbers turn into the file's digits, written
      // once into the open part.
      auto head = [&](char* out, uint32_t distance) {
        out = PutDigits(out, distance * 2 + several);
        out = PutDigits(out, impact);
        return several ? PutDigits(out, kept) : out;
      };
      const size_t mark = part.Size();
      char* out = part.Room(kNumberChars * (3 + size_t{kept}));
      out = head(out, section - previous);
      const size_t body = static_cast<size_t>(out - part.Begin());
      for (uint32_t k = 0; k < count; ++k) {
        const uint32_t delta = GetNumber(in, pos);
        if (k < kMaxPositions) out = PutDigits(out, delta);
      }
      part.EndAt(out);
      if (sink->terms.size() + sink->data.size() + sink->more.size() + sink->hits.size() +
                  rows.size() + stem.text.size() * 6 + part.Size() + 8 >
              fill &&
          (mark > 0 || !sink->terms.empty())) {
        // Past the file's fill: the posting moves to the next file.
        tail.assign(part.Begin() + body, part.Size() - body);
        part.Resize(mark);
        if (mark > 0) addPart(tiered ? best[t] : 0);
        flush(*sink);
        sink->family.Begin(stem.text);
        // A part starts afresh: its first section counts from 0.
        out = head(part.Room(kNumberChars * 3 + tail.size()), section);
        std::memcpy(out, tail.data(), tail.size());
        part.EndAt(out + tail.size());
      }
      previous = section;
    }
    if (part.Size() > 0) addPart();
    if (answers && !tiered) answers->EndStem(half, order[k]);
  }
  flush(heads);
  flush(further);
}

void WriteSections(const TTextIndex& index, ShardFamily& secs) {
  const auto& sections = index.Sections();
  const size_t fill = std::clamp(sections.size() * kSectionBytes / kSectionFiles,
                                 kSmallSectionsFill, kSectionsFill);
  const auto& pages = index.Pages();
  std::string pageList, rows;
  std::vector<int32_t> local;  // page -> index in this shard's list, or -1
  std::vector<uint32_t> used;
  local.assign(pages.size(), -1);
  uint32_t first = 0;
  auto flush = [&] {
    if (!secs.Open()) return;
    std::string& body = secs.Body();
    body += "\"f\":" + std::to_string(first) + ",\"p\":[";
    body += pageList;
    body += "],\"r\":[";
    body += rows;
    body += ']';
    pageList.clear();
    rows.clear();
    for (uint32_t p : used) local[p] = -1;
    used.clear();
    secs.Finish();
  };
  std::string row;
  for (uint32_t id = 0; id < sections.size(); ++id) {
    const SectionRecord& s = sections[id];
    row.clear();
    const bool newPage = local[s.page] < 0;
    const std::string pageEntry = newPage ? LinkFromPath(pages[s.page]) : std::string();
    if (secs.Open() && pageList.size() + rows.size() + pageEntry.size() + 1500 +
                               (s.title.size() + s.excerpt.size()) * 6 >
                           fill) {
      flush();
    }
    if (!secs.Open()) {
      secs.Begin(std::to_string(id));
      first = id;
    }
    if (local[s.page] < 0) {
      local[s.page] = static_cast<int32_t>(used.size());
      used.push_back(s.page);
      if (!pageList.empty()) pageList += ',';
      AppendScriptLiteral(pageList, LinkFromPath(pages[s.page]));
    }
    if (!rows.empty()) rows += ',';
    rows += std::to_string(local[s.page]) + ',';
    AppendSectionFields(rows, s);
    secs.SetLast(std::to_string(id));
  }
  flush();
}

}  // namespace

uint32_t ScoreDigit(double score) { return Scale().Digit(score); }

namespace {

// The bytes a link keeps as they are: letters, digits and the marks a
// path's part may hold; every other byte is escaped.
struct LinkBytes {
  bool kept[256];
  constexpr LinkBytes() : kept() {
    for (int b = 'a'; b <= 'z'; ++b) kept[b] = true;
    for (int b = 'A'; b <= 'Z'; ++b) kept[b] = true;
    for (int b = '0'; b <= '9'; ++b) kept[b] = true;
    for (const char* m = "-._~/!$&'()*+,;=:@"; *m; ++m) kept[static_cast<unsigned char>(*m)] = true;
  }
};
constexpr LinkBytes kLinkBytes;

// The length of the start of `path` a link keeps as it is.
size_t PlainLinkLength(std::string_view path) {
  size_t plain = 0;
  while (plain < path.size() && kLinkBytes.kept[static_cast<unsigned char>(path[plain])]) ++plain;
  return plain;
}

}  // namespace

void AppendSectionFields(std::string& out, const SectionRecord& section) {
  // A command's anchor is mostly its name, the section's title: 0 then.
  // Most anchors need no escape: such a one is its own link.
  std::string escaped;
  std::string_view anchor = section.anchor;
  if (PlainLinkLength(anchor) < anchor.size()) anchor = escaped = LinkFromPath(anchor);
  if (anchor == section.title && !anchor.empty()) {
    out += '0';
  } else {
    AppendScriptLiteral(out, anchor);
  }
  out += ',';
  AppendScriptLiteral(out, section.title);
  out += ',';
  AppendScriptLiteral(out, section.excerpt);
}

void AppendNumber(std::string& out, uint32_t value) {
  char buffer[kNumberChars];
  out.append(buffer, PutDigits(buffer, value) - buffer);
}

std::string LinkFromPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  // A path mostly keeps all its bytes: taken whole up to the first that
  // is escaped, looked up one table entry a byte (a search of the marks
  // for each byte cost more than the rest of the row).
  const size_t plain = PlainLinkLength(path);
  if (plain == path.size()) return std::string(path);
  out.reserve(path.size() + 16);
  out.append(path.data(), plain);
  for (unsigned char b : path.substr(plain)) {
    if (kLinkBytes.kept[b]) {
      out += static_cast<char>(b);
      continue;
    }
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

ShardResult WriteShards(TTextIndex& index, const std::string& folder, const std::string& generation,
                        const ShardSegment* segment, const ShardsWritten& written) {
  // Four threads share the work, the index only read: the sections, the
  // dictionary, the first half of the postings, and the second half (held
  // in memory until the first is written and its files are counted).
  const auto& stems = index.Stems();
  const auto& sections = index.Sections();
  Collection collection{static_cast<double>(sections.size()), 1, nullptr, {}};
  double total = 0;
  for (const auto& s : sections) total += s.titleLength + s.bodyLength;
  if (!sections.empty() && total > 0) collection.averageLength = total / collection.sections;
  if (segment) {
    collection.sections = segment->sections;
    collection.averageLength = segment->sections > 0 && segment->totalLength > 0
                                   ? segment->totalLength / segment->sections
                                   : 1;
    collection.frequency = &segment->frequency;
  }
  collection.lengthNorm.reserve(sections.size());
  for (const auto& s : sections) {
    const double length = kTitleWeight * s.titleLength + s.bodyLength;
    collection.lengthNorm.push_back(kK1 * (1 - kB + kB * length / collection.averageLength));
  }
  std::vector<uint32_t> order;  // of the stems, by their text
  TArrangedPostings postings;
  size_t split = 0;  // the first stem of the second half

  ShardResult result, second, side, sectionsResult;
  // The files are synced on a thread of their own, the manifest after them.
  TFileSyncer syncer;
  const std::string prefix = segment ? segment->prefix : std::string();
  ShardFamily post(folder, generation, 'p', &result, prefix, &syncer);
  ShardFamily rest(folder, generation, 'p', &second, prefix, &syncer);
  // The further tiers of the common stems, in files of their own.
  ShardFamily deep(folder, generation, 'q', &result, prefix, &syncer);
  ShardFamily deepRest(folder, generation, 'q', &second, prefix, &syncer);
  ShardFamily dict(folder, generation, 'd', &side, prefix, &syncer);
  ShardFamily secs(folder, generation, 's', &sectionsResult, prefix, &syncer);
  // A full build's answers to the searches of a word's first letters,
  // made and written once the postings are, while their last files are.
  ShardResult answersResult, furtherResult;
  ShardFamily answered(folder, generation, 'a', &answersResult, prefix, &syncer);
  ShardFamily answeredFurther(folder, generation, 'b', &furtherResult, prefix, &syncer);
  std::unique_ptr<TPrefixAnswers> answers;
  if (!segment) answers = std::make_unique<TPrefixAnswers>(index, kTieredPostings);
  rest.Defer();
  deepRest.Defer();
  // The postings' files are packed and written by whichever thread is
  // free: each thread done with its own family helps until both halves of
  // the postings are done.
  TShardSharing sharing;
  for (ShardFamily* family : {&post, &deep, &rest, &deepRest}) family->Share(&sharing);
  std::exception_ptr failures[3];
  {
    // Joins whatever was started, also when starting the next thread or the
    // work here throws.
    struct Helpers {
      std::vector<std::thread> threads;
      ~Helpers() {
        for (std::thread& t : threads) t.join();
      }
    } helpers;
    // Ends the sharing once both halves of the postings are done (or
    // given up): the helpers then return, their last jobs done.
    struct Closer {
      explicit Closer(TShardSharing& s) : sharing(s) {}
      TShardSharing& sharing;
      int open = 2;  // halves of the postings not yet done
      std::mutex mutex;
      void Done() {
        std::lock_guard<std::mutex> lock(mutex);
        if (--open == 0) sharing.Close();
      }
      ~Closer() { sharing.Close(); }
    } closer(sharing);
    // The sections and the dictionary need no order of the stems: they
    // begin while it is made, each on a thread of its own.
    helpers.threads.emplace_back([&] {
      try {
        WriteSections(index, secs);
      } catch (...) {
        failures[2] = std::current_exception();
      }
      sharing.Help();
    });
    helpers.threads.emplace_back([&] {
      try {
        WriteDictionary(index, dict, answers.get());
      } catch (...) {
        failures[1] = std::current_exception();
        if (answers) answers->SetPrefixes({}, false);
      }
      sharing.Help();
    });
    order =
        OrderByText(stems.size(), [&](uint32_t id) { return std::string_view(stems[id].text); });
    postings = index.TakePostings();
    size_t bytes = 0;
    for (uint32_t id = 0; id < stems.size(); ++id) bytes += postings.Of(id).size();
    // Postings of a few files are not worth a thread of their own.
    split = bytes < 2 * kPostingsFill ? order.size() : 0;
    for (size_t half = 0; split < order.size() && half * 2 < bytes; ++split) {
      half += postings.Of(order[split]).size();
    }
    helpers.threads.emplace_back([&] {
      try {
        WritePostings(index, collection, order, postings, split, order.size(), rest, deepRest,
                      answers.get(), 1);
      } catch (...) {
        failures[0] = std::current_exception();
      }
      closer.Done();
      sharing.Help();
    });
    WritePostings(index, collection, order, postings, 0, split, post, deep, answers.get(), 0);
    closer.Done();
    sharing.Help();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  sharing.Rethrow();
  AppendRanges(result.ranges, "d", {&dict});
  result.ranges += ',';
  AppendRanges(result.ranges, "p", {&post, &rest});
  result.ranges += ',';
  AppendRanges(result.ranges, "q", {&deep, &deepRest});
  result.ranges += ',';
  AppendSectionCounts(result.ranges, secs);
  result.stemOrder = std::move(order);
  // The second half's files are written last, one after the other (each
  // made in the one folder).  The answers are made and written meanwhile
  // on a thread of their own, and the caller then hears of the files
  // there, as they will be.
  const size_t restFirst = post.Ranges().size(), deepRestFirst = deep.Ranges().size();
  std::thread hearing;
  std::exception_ptr heardFailure;
  ShardResult sofar;
  std::string answerRanges;  // ,"a":[...],"b":[...] once they are written
  if (written) {
    sofar.files = result.files + side.files + sectionsResult.files + rest.Ranges().size() +
                  deepRest.Ranges().size();
    sofar.bytes = result.bytes + side.bytes + sectionsResult.bytes + rest.HeldBytes(restFirst) +
                  deepRest.HeldBytes(deepRestFirst);
    for (const ShardResult* part : {&result, &second, &side, &sectionsResult}) {
      if (sofar.error.empty()) sofar.error = part->error;
    }
    sofar.ranges = result.ranges;
    sofar.stemOrder = result.stemOrder;
    dict.AppendNames(0, &sofar.names);
    post.AppendNames(0, &sofar.names);
    rest.AppendNames(restFirst, &sofar.names);
    deep.AppendNames(0, &sofar.names);
    deepRest.AppendNames(deepRestFirst, &sofar.names);
    secs.AppendNames(0, &sofar.names);
  }
  auto answerAndHear = [&] {
    try {
      if (answers) {
        answers->Write(index, answered, answeredFurther);
        answerRanges = ",";
        AppendRanges(answerRanges, "a", {&answered});
        answerRanges += ',';
        AppendRanges(answerRanges, "b", {&answeredFurther});
      }
      if (!written) return;
      for (const ShardResult* part : {&answersResult, &furtherResult}) {
        sofar.files += part->files;
        sofar.bytes += part->bytes;
        if (sofar.error.empty()) sofar.error = part->error;
      }
      sofar.ranges += answerRanges;
      answered.AppendNames(0, &sofar.names);
      answeredFurther.AppendNames(0, &sofar.names);
      std::sort(sofar.names.begin(), sofar.names.end());
      written(sofar);
    } catch (...) {
      heardFailure = std::current_exception();
    }
  };
  if (answers || written) {
    try {
      hearing = std::thread(answerAndHear);
    } catch (const std::system_error&) {
      answerAndHear();  // no thread: before the last files are written
    }
  }
  try {
    rest.Release(restFirst);
    deepRest.Release(deepRestFirst);
  } catch (...) {
    if (hearing.joinable()) hearing.join();
    throw;
  }
  if (hearing.joinable()) hearing.join();
  if (heardFailure) std::rethrow_exception(heardFailure);
  result.ranges += answerRanges;
  for (const ShardResult* part :
       {&second, &side, &sectionsResult, &answersResult, &furtherResult}) {
    result.files += part->files;
    result.bytes += part->bytes;
    if (result.error.empty()) result.error = part->error;
  }
  const std::string unsynced = syncer.Finish();
  if (result.error.empty()) result.error = unsynced;
  if (!segment) {
    WriteManifest(folder, generation,
                  "\"pages\":" + std::to_string(index.Pages().size()) +
                      ",\"sections\":" + std::to_string(sections.size()) +
                      ",\"words\":" + std::to_string(index.Words()) + "," + result.ranges,
                  &result);
  }
  return result;
}

void WriteManifest(const std::string& folder, const std::string& generation,
                   const std::string& fields, ShardResult* result) {
  ShardFamily::WriteFile(folder, "manifest.js",
                         ShardFamily::File(generation, 'm', ",v:" + std::to_string(kShardFormat),
                                           PackText("{" + fields + "}")),
                         result);
}

}  // namespace lexidor::fulltext
