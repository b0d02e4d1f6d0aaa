#include "app/fulltext/prefix_answers.h"

#include <algorithm>
#include <charconv>
#include <functional>

#include "app/fulltext/postings_tiers.h"
#include "app/fulltext/shard_family.h"
#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {

namespace {

// Text of a file before it is packed: answers pack to about a third, and a
// page loads the files of a word's first two letters, one or two of them.
constexpr size_t kAnswersFill = 64 * 1024;

// A prefix longer than kFirstAnswersTo units is answered when it holds at
// least this share of the sections, and is among the most common of those,
// as many as the share's reciprocal is of the sections: the words typed
// most, in a part of the index that grows with it (at 50,000 pages 2,122
// of its 14,000 prefixes of five or six letters, 1.8 MB in 73 files; at
// 5,000 pages 209, 163 KB).  Answering every one that shows hits of its
// own wrote 10 MB in 460 files there; the share alone at 5,000 pages
// 2.3 MB (13 % of the index, which then passed 40 % of the pages).
constexpr size_t kFurtherShare = 200;

// The b files a page loads one of with a word's first four letters: as
// many as this where they do not fill first (at 5,000 pages 8 filled files
// read 25 KB more for a word of four letters; now 37 files of 4 KB).
constexpr size_t kFurtherFiles = 64;

// `value` in decimal at the end of `out`: the answers write a few numbers
// per hit, each made in a string of its own before.
void AppendDecimal(std::string& out, uint64_t value) {
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, static_cast<size_t>(end - digits));
}

// Whether a page that marks, in a hit's text, the words beginning with
// `prefix` marks all those it would mark for `stem`: the words that begin
// with the stem, or, past three letters, with all of it but its last.
bool MarkedByPrefix(std::string_view stem, std::string_view prefix) {
  if (!PrefixOfUnits(stem, 4).empty()) {
    size_t last = stem.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(stem[last]) & 0xC0) == 0x80) --last;
    stem = stem.substr(0, last);
  }
  return stem.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string_view PrefixOfUnits(std::string_view word, size_t units) {
  size_t at = 0, counted = 0;
  while (counted < units) {
    if (at >= word.size()) return {};
    const unsigned char lead = static_cast<unsigned char>(word[at]);
    const size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    counted += bytes == 4 ? 2 : 1;
    at += bytes;
  }
  if (counted > units || at > word.size()) return {};
  return word.substr(0, at);
}

TPrefixAnswers::TPrefixAnswers(const TTextIndex& index, uint32_t tiered)
    : stems_(index.Stems().size()), sections_(index.Sections().size()) {
  // Room for every posting in either half, made once: grown as they came,
  // the halves' sections were copied over and over, a posting's cost twice.
  // What a half leaves unused is never touched.
  size_t postings = 0;
  for (const StemEntry& stem : index.Stems())
    postings += stem.sections < tiered ? stem.sections : 0;
  for (Half& h : halves_) {
    h.sections.reserve(postings);
    h.tops.reserve(stems_.size() * 2);
  }
}

void TPrefixAnswers::EndStem(int half, uint32_t stem) {
  Half& h = halves_[half];
  Stem& s = stems_[stem];
  s.half = static_cast<uint8_t>(half);
  // Its sections were appended since the stem before it ended.
  s.from = h.start;
  s.to = h.start = static_cast<uint32_t>(h.sections.size());
  s.sections = s.to - s.from;
  s.top = static_cast<uint32_t>(h.tops.size());
  s.count = static_cast<uint8_t>(h.kept);
  h.tops.insert(h.tops.end(), h.best, h.best + h.kept);
  h.kept = 0;
}

void TPrefixAnswers::AddStem(int half, uint32_t stem, const std::vector<TieredPosting>& all,
                             const std::vector<uint32_t>& top) {
  Half& h = halves_[half];
  for (size_t i = 0; i < top.size() && i < kAnswerHits; ++i) {
    const auto p =
        std::lower_bound(all.begin(), all.end(), top[i],
                         [](const TieredPosting& a, uint32_t s) { return a.section < s; });
    h.best[h.kept++] = KeyOf(top[i], p->digit);
  }
  EndStem(half, stem);
  stems_[stem].sections = static_cast<uint32_t>(all.size());
}

void TPrefixAnswers::SetPrefixes(std::vector<AnsweredPrefix> prefixes, bool ok) {
  std::lock_guard<std::mutex> lock(mutex_);
  prefixes_ = std::move(prefixes);
  ok_ = ok;
  given_ = true;
  ready_.notify_all();
}

void TPrefixAnswers::Reckon(std::vector<Reckoned>& out) const {
  // The sections a prefix holds, one bit each (a few kilobytes, which
  // the cache keeps), cleared after each prefix.
  std::vector<uint64_t> marks(sections_ / 64 + 1, 0);
  for (size_t p = 0; p < prefixes_.size(); ++p) Shown(prefixes_[p], out[p]);
  std::vector<uint8_t> counted(prefixes_.size(), 0);
  // The longer prefixes answered: those that hold a share of the sections
  // at least, and of them the most common ones, up to as many as that
  // share's reciprocal is of the sections.  While there are more, the
  // least count is raised past the count of the one after them.
  const size_t most = std::max<size_t>(1, sections_ / kFurtherShare);
  uint64_t least = most;
  for (;;) {
    std::vector<uint64_t> counts;
    size_t answeredLast[kAnsweredTo + 1];  // per length, the last answered
    std::fill(std::begin(answeredLast), std::end(answeredLast), SIZE_MAX);
    for (size_t p = 0; p < prefixes_.size(); ++p) {
      const AnsweredPrefix& prefix = prefixes_[p];
      Reckoned& r = out[p];
      const bool first = prefix.units <= kFirstAnswersTo;
      r.answered = r.further = false;
      r.shorter = SIZE_MAX;
      if (!first && !ShowsMore(prefix, r, out, answeredLast)) continue;
      if (!counted[p]) Count(prefix, r, marks);
      counted[p] = 1;
      r.answered = first || r.count >= least;
      if (!r.answered) continue;
      // In byte order a prefix comes before the longer ones it begins.
      answeredLast[prefix.units] = p;
      if (first) continue;
      counts.push_back(r.count);
      // Its first letters' answer tells the page to load the b file.
      const size_t group = answeredLast[kFirstAnswersTo];
      if (group != SIZE_MAX &&
          prefix.text.compare(0, prefixes_[group].text.size(), prefixes_[group].text) == 0) {
        out[group].further = true;
      }
    }
    if (counts.size() <= most) break;
    std::nth_element(counts.begin(), counts.begin() + most, counts.end(),
                     std::greater<uint64_t>());
    least = std::max(least + 1, counts[most] + 1);
  }
}

void TPrefixAnswers::Shown(const AnsweredPrefix& prefix, Reckoned& r) const {
  for (uint32_t stem : prefix.stems) {
    const Stem& s = stems_[stem];
    const Half& h = halves_[s.half];
    // The prefix's best sections are among its stems' best, kept in
    // order, each once with its best key; a stem's best are in order too.
    for (uint32_t k = s.top; k < s.top + s.count; ++k) {
      const uint64_t key = h.tops[k];
      if (r.shown == kAnswerHits && key >= r.keys[r.shown - 1]) break;
      uint64_t* const end = r.keys + r.shown;
      uint64_t* same = std::find_if(r.keys, end, [&](uint64_t kept) {
        return static_cast<uint32_t>(kept) == static_cast<uint32_t>(key);
      });
      if (same != end) {
        if (*same < key) continue;
        std::copy(same + 1, end, same);
        --r.shown;
      } else if (r.shown == kAnswerHits) {
        --r.shown;  // the last goes
      }
      uint64_t* at = std::upper_bound(r.keys, r.keys + r.shown, key);
      std::copy_backward(at, r.keys + r.shown, r.keys + r.shown + 1);
      *at = key;
      ++r.shown;
    }
  }
}

void TPrefixAnswers::Count(const AnsweredPrefix& prefix, Reckoned& r,
                           std::vector<uint64_t>& marks) const {
  const std::vector<uint32_t>& stems = prefix.stems;
  uint64_t visited = 0, most = 0;
  for (uint32_t stem : stems) {
    const Stem& s = stems_[stem];
    const Half& h = halves_[s.half];
    visited += s.to - s.from;
    most = std::max<uint64_t>(most, s.sections);
    // A stem's sections are distinct: one stem's are its count.
    if (stems.size() == 1) {
      r.count = s.sections;
      break;
    }
    r.atLeast = r.atLeast || s.to - s.from < s.sections;
    for (uint32_t i = s.from; i < s.to; ++i) {
      const uint32_t section = h.sections[i];
      uint64_t& word = marks[section >> 6];
      const uint64_t bit = uint64_t{1} << (section & 63);
      r.count += (word & bit) == 0;
      word |= bit;
    }
  }
  r.count = std::max(r.count, most);
  // Cleared whole, or where marked when that is less.
  if (stems.size() > 1 && visited >= marks.size()) {
    std::fill(marks.begin(), marks.end(), 0);
  } else if (stems.size() > 1) {
    for (uint32_t stem : stems) {
      const Stem& s = stems_[stem];
      const Half& h = halves_[s.half];
      for (uint32_t i = s.from; i < s.to; ++i) marks[h.sections[i] >> 6] = 0;
    }
  }
}

bool TPrefixAnswers::ShowsMore(const AnsweredPrefix& prefix, Reckoned& r,
                               const std::vector<Reckoned>& out,
                               const size_t* answeredLast) const {
  // Its nearest answered shorter prefix, whose rows a page that typed it
  // holds, and whose search went on to read the postings of its stems.
  for (size_t units = prefix.units - 1; units >= kAnsweredFrom; --units) {
    const size_t at = answeredLast[units];
    if (at == SIZE_MAX) continue;
    const AnsweredPrefix& shorter = prefixes_[at];
    if (prefix.text.compare(0, shorter.text.size(), shorter.text) != 0) continue;
    r.shorter = at;
    for (size_t k = 0; k < r.shown; ++k) {
      if (!out[at].Shows(static_cast<uint32_t>(r.keys[k]))) return true;
    }
    return false;
  }
  return true;
}

// The answers of one family as they are written: its open file's text.
struct TPrefixAnswers::Filler {
  explicit Filler(ShardFamily& f, size_t sections) : family(f), inRows(sections, 0) {}
  ShardFamily& family;
  std::vector<uint32_t> rowsOf;  // the sections whose rows the open file holds
  std::vector<uint8_t> inRows;
  std::string terms, answers, rows, extra, further;
  std::string_view group;  // the first letters of the last prefix written
  size_t inFile = 0;  // the open file's prefixes
  size_t most = SIZE_MAX;  // prefixes a file holds at most, when not filled first

  void Flush() {
    if (!family.Open()) return;
    std::string& body = family.Body();
    body +=
        "\"t\":[" + terms + "],\"a\":[" + answers + "],\"r\":[" + rows + "],\"e\":{" + extra + "}";
    if (!further.empty()) body += ",\"f\":[" + further + "]";
    further.clear();
    terms.clear();
    answers.clear();
    rows.clear();
    extra.clear();
    inFile = 0;
    for (uint32_t id : rowsOf) inRows[id] = 0;
    rowsOf.clear();
    family.Finish();
  }
};

void TPrefixAnswers::Write(const TTextIndex& index, ShardFamily& first, ShardFamily& further) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return given_; });
    if (!ok_) return;
  }
  std::vector<Reckoned> reckoned(prefixes_.size());
  Reckon(reckoned);
  Filler fillers[2] = {Filler(first, sections_), Filler(further, sections_)};
  size_t longer = 0;
  for (size_t p = 0; p < prefixes_.size(); ++p) {
    longer += reckoned[p].answered && prefixes_[p].units > kFirstAnswersTo;
  }
  fillers[1].most = std::max<size_t>(1, (longer + kFurtherFiles - 1) / kFurtherFiles);
  // Each page's link as a row gives it, made once: a page's sections are
  // often the best of several prefixes.
  std::vector<std::string> links(index.Pages().size());
  for (size_t p = 0; p < prefixes_.size(); ++p) {
    const AnsweredPrefix& prefix = prefixes_[p];
    const Reckoned& r = reckoned[p];
    if (!r.answered) continue;
    Filler& f = fillers[prefix.units > kFirstAnswersTo];
    ShardFamily& family = f.family;
    std::string &terms = f.terms, &answers = f.answers, &rows = f.rows, &extra = f.extra;
    // The longer prefixes a word's first four letters begin lie in one
    // file, the one a page loads with those letters.
    const std::string_view group = PrefixOfUnits(prefix.text, kFirstAnswersTo);
    if (family.Open() &&
        (terms.size() + answers.size() + rows.size() + extra.size() > kAnswersFill ||
         f.inFile >= f.most) &&
        (prefix.units <= kFirstAnswersTo || group != f.group)) {
      f.Flush();
    }
    if (prefix.units > kFirstAnswersTo) f.group = group;
    if (!family.Open()) family.Begin(prefix.text);
    if (!terms.empty()) terms += ',', answers += ',';
    AppendScriptLiteral(terms, prefix.text);
    answers += '[';
    if (r.atLeast) answers += '-';
    AppendDecimal(answers, r.count);
    for (size_t k = 0; k < r.shown; ++k) {
      const uint64_t key = r.keys[k];
      const uint32_t section = static_cast<uint32_t>(key);
      answers += ',';
      AppendDecimal(answers, section);
      answers += ',';
      AppendDecimal(answers, 63 - (key >> 32));
      // Not those the nearest answered shorter prefix shows: a page that
      // typed it holds them (and else reads them from the sections files).
      const Reckoned* shorter =
          prefix.units > kFirstAnswersTo && r.shorter != SIZE_MAX ? &reckoned[r.shorter] : nullptr;
      const bool held = shorter && shorter->Shows(section);
      if (!held && !f.inRows[section]) {
        f.inRows[section] = 1;
        f.rowsOf.push_back(section);
        if (!rows.empty()) rows += ',';
        // A row as AppendHitRow writes it.
        const SectionRecord& record = index.Sections()[section];
        std::string& link = links[record.page];
        if (link.empty()) AppendScriptLiteral(link, LinkFromPath(index.Pages()[record.page]));
        AppendDecimal(rows, section);
        rows += ',';
        rows += link;
        rows += ',';
        AppendSectionFields(rows, record);
      }
    }
    answers += ']';
    // The stems whose words the prefix does not mark, for the page to mark.
    bool any = false;
    for (uint32_t stem : prefix.stems) {
      const std::string& text = index.Stems()[stem].text;
      if (MarkedByPrefix(text, prefix.text)) continue;
      if (!any) {
        if (!extra.empty()) extra += ',';
        extra += '"' + std::to_string(f.inFile) + "\":[";
      } else {
        extra += ',';
      }
      any = true;
      AppendScriptLiteral(extra, text);
    }
    if (any) extra += ']';
    if (r.further) {
      if (!f.further.empty()) f.further += ',';
      AppendDecimal(f.further, f.inFile);
    }
    ++f.inFile;
    family.SetLast(prefix.text);
  }
  for (Filler& f : fillers) f.Flush();
}

}  // namespace lexidor::fulltext
