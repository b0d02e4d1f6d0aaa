#include "app/fulltext/delta_build.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "app/fulltext/base_state.h"
#include "app/fulltext/durable_file.h"
#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_source.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/text_index.h"
#include "stream/file_system.h"

namespace lexidor::fulltext {

namespace {

// The second segment's files begin with this, beside the base's d0.js...
constexpr char kDeltaPrefix[] = "x";

// The largest file of the base copied where it cannot be linked: its
// shards are a few hundred KB, its description a few MB.
constexpr uint64_t kLargestKept = 1u << 30;

// Copies the regular file `from` to the new file `to`, synced; false when
// it cannot.
bool CopyFile(const std::string& from, const std::string& to) {
  std::string content;
  if (!ReadWholeFile(from, kLargestKept, &content)) return false;
  const int out = CreateAndWrite(to, content);
  return out >= 0 && SyncAndClose(out) == 0;
}

// A second name for `from` at `to` (the data is shared, never written
// again), or a copy where the file system will not link.
bool KeepFile(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) == 0) return true;
  unlink(to.c_str());  // nothing, unless a link was half made
  return CopyFile(from, to);
}

void AppendMask(std::string& out, std::vector<std::pair<uint32_t, uint32_t>> ranges) {
  std::sort(ranges.begin(), ranges.end());
  out += "[";
  bool first = true;
  for (size_t i = 0; i < ranges.size();) {
    uint32_t from = ranges[i].first, to = ranges[i].second;
    for (++i; i < ranges.size() && ranges[i].first <= to; ++i) to = std::max(to, ranges[i].second);
    out += (first ? "" : ",") + std::to_string(from) + "," + std::to_string(to);
    first = false;
  }
  out += "]";
}

}  // namespace

bool BuildDelta(const TextBuildOptions& options, const WalkResult& walk, TBuildProgress& progress,
                TextBuildSummary* summary) {
  BaseState base;
  if (!ReadBaseState(BaseStateFile(options.previousFolder), &base) || base.pages.empty()) {
    return false;
  }
  // Pages the base holds as they are now stay in it; the others are
  // indexed again, and the base's sections of those it held are masked.
  static const std::map<std::string, std::string> kNoAnchors;
  std::unordered_map<std::string_view, size_t> inBase;
  for (size_t i = 0; i < base.pages.size(); ++i) inBase.emplace(base.pages[i].path, i);
  std::vector<bool> kept(base.pages.size());
  std::vector<WalkedPage> changed;
  size_t changedInBase = 0;
  for (const WalkedPage& page : walk.pages) {
    const auto at = inBase.find(page.path);
    if (at != inBase.end()) {
      const BasePage& old = base.pages[at->second];
      const auto anchors = options.anchors.find(page.path);
      if (old.size == page.size && old.mtime == page.mtime &&
          old.anchors == AnchorsHash(AnchorsKey(
                             anchors == options.anchors.end() ? kNoAnchors : anchors->second))) {
        kept[at->second] = true;
        continue;
      }
      ++changedInBase;
    }
    changed.push_back(page);
  }
  const size_t keptPages = static_cast<size_t>(std::count(kept.begin(), kept.end(), true));
  const size_t masked = base.pages.size() - keptPages;
  const size_t touched = changed.size() + masked - changedInBase;
  if (touched * 100 > base.pages.size() * kDeltaPercent) return false;

  std::vector<std::pair<uint32_t, uint32_t>> mask;
  uint64_t maskedSections = 0, maskedWords = 0;
  for (size_t i = 0; i < base.pages.size(); ++i) {
    if (kept[i]) continue;
    const BasePage& page = base.pages[i];
    if (page.sections) mask.emplace_back(page.firstSection, page.firstSection + page.sections);
    maskedSections += page.sections;
    maskedWords += page.words;
  }

  // The base's files, kept as they are.
  if (mkdir(options.outputFolder.c_str(), 0755) != 0) return false;
  uint64_t keptBytes = 0;
  for (const std::string& name : base.files) {
    const std::string from = options.previousFolder + "/" + name;
    struct stat st;
    if (!KeepFile(from, options.outputFolder + "/" + name) || stat(from.c_str(), &st) != 0) {
      RemoveTree(options.outputFolder);
      return false;
    }
    keptBytes += static_cast<uint64_t>(st.st_size);
  }

  // The pages changed or added since the base.
  uint64_t total = 0, done = 0;
  for (const WalkedPage& page : changed) total += static_cast<uint64_t>(page.size);
  TTextIndex index;
  {
    // Nothing read from or written to the page cache: it keeps the pages
    // as the base has them, for the next full build.
    const TPageCacheReader none{std::string()};
    TPageCacheWriter nowhere{std::string()};
    TPageSource source(options.htmlFolder, changed, options.anchors, none, &nowhere,
                       options.readAhead);
    SourcePage read;
    while (source.Next(&read)) {
      if (!read.error.empty()) {
        summary->skipped.push_back(std::move(read.error));
        continue;
      }
      const uint32_t id = index.AddPage(read.page->path);
      for (const TextSection& section : read.entry.text.sections) index.AddSection(id, section);
      done += static_cast<uint64_t>(read.page->size);
      progress.At(total ? static_cast<int>(done * 90 / total) : 90);
    }
  }

  // The second segment is scored with the base's statistics: the base's
  // scores stay as they were written, and a score of the one and of the
  // other rank alike only when both are reckoned alike.  (Reckoned over the
  // pages as they are now, a common word's weight in the second segment
  // could lie a third away from its weight in the base, and its hits rank
  // above or below base hits a full build puts the other way.)  A stem the
  // base does not hold counts the sections of the second segment.
  ShardSegment segment;
  segment.prefix = kDeltaPrefix;
  segment.sections = static_cast<double>(base.sections);
  segment.totalLength = static_cast<double>(base.length);
  for (const StemEntry& stem : index.Stems()) {
    const uint32_t inBase = base.Frequency(stem.text);
    segment.frequency.push_back(inBase ? inBase : stem.sections);
  }
  const uint64_t sections = base.sections - maskedSections + index.Sections().size();

  summary->baseKept = true;
  summary->segments = index.Sections().empty() ? 1 : 2;
  summary->pages = keptPages + index.Pages().size();
  summary->reused = keptPages;
  summary->sections = sections;
  summary->words = base.words - maskedWords + index.Words();
  ShardResult shards;
  if (!index.Sections().empty()) {
    shards = WriteShards(index, options.outputFolder, options.generation, &segment);
  }
  std::string fields =
      "\"pages\":" + std::to_string(summary->pages) + ",\"sections\":" + std::to_string(sections) +
      ",\"words\":" + std::to_string(summary->words) + ",\"segments\":[{\"g\":\"" +
      base.generation + "\",\"f\":\"\",\"sections\":" + std::to_string(base.sections) + "," +
      base.ranges + ",\"mask\":";
  AppendMask(fields, std::move(mask));
  fields += "}";
  if (!index.Sections().empty()) {
    fields += ",{\"g\":\"" + options.generation + "\",\"f\":\"" + kDeltaPrefix +
              "\",\"sections\":" + std::to_string(index.Sections().size()) + "," + shards.ranges +
              "}";
  }
  fields += "]";
  if (shards.error.empty())
    WriteManifest(options.outputFolder, options.generation, fields, &shards);
  summary->files = base.files.size() + shards.files;
  summary->bytes = keptBytes + shards.bytes;
  summary->error = shards.error;
  // The base stays the next rebuild's base: its description goes along.
  if (summary->error.empty() &&
      !KeepFile(BaseStateFile(options.previousFolder), BaseStateFile(options.outputFolder))) {
    WriteBaseState(BaseStateFile(options.outputFolder), base);
  }
  progress.At(100);
  return true;
}

}  // namespace lexidor::fulltext
