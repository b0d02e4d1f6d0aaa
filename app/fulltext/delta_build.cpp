#include "app/fulltext/delta_build.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/fulltext/base_state.h"
#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_source.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

namespace {

// The second segment's files begin with this, beside the base's d0.js...
constexpr char kDeltaPrefix[] = "x";

// The folder part of `path` ("" for none) and its last name.
std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Whether `folder` holds every one of `names` (one listing, not a look-up
// per file: the base has a thousand files and more).
bool HoldsAll(const std::string& folder, const std::vector<std::string>& names) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  std::unordered_set<std::string> present;
  while (const dirent* entry = readdir(dir)) present.emplace(entry->d_name);
  closedir(dir);
  return std::all_of(names.begin(), names.end(),
                     [&](const std::string& name) { return present.count(name) != 0; });
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

bool BuildDelta(const TextBuildOptions& options, const WalkResult& walk, const BaseState& base,
                TBuildProgress& progress, TextBuildSummary* summary) {
  // The pages read the base's files through the new folder's parent.
  const auto [parent, baseName] = SplitFolder(options.baseFolder);
  if (SplitFolder(options.outputFolder).first != parent || baseName.empty()) return false;
  if (base.pages.empty()) return false;
  // Pages the base holds as they are now stay in it; the others are
  // indexed again, and the base's sections of those it held are masked.
  static const std::map<std::string, std::string> kNoAnchors;
  const auto anchorsHash = [&](const std::string& path) {
    if (options.anchorTable) return options.anchorTable->Hash(path);
    const auto anchors = options.anchors.find(path);
    return AnchorsHash(AnchorsKey(anchors == options.anchors.end() ? kNoAnchors : anchors->second));
  };
  std::unordered_map<std::string_view, size_t> inBase;
  for (size_t i = 0; i < base.pages.size(); ++i) inBase.emplace(base.pages[i].path, i);
  std::vector<bool> kept(base.pages.size());
  std::vector<WalkedPage> changed;
  size_t changedInBase = 0;
  for (const WalkedPage& page : walk.pages) {
    const auto at = inBase.find(page.path);
    if (at != inBase.end()) {
      const BasePage& old = base.pages[at->second];
      if (old.size == page.size && old.mtime == page.mtime &&
          old.anchors == anchorsHash(page.path)) {
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

  // The base's files stay where they are, never written again: the new
  // folder only names them.
  if (!HoldsAll(options.baseFolder, base.files)) return false;

  // The pages changed or added since the base.
  uint64_t total = 0, done = 0;
  for (const WalkedPage& page : changed) total += static_cast<uint64_t>(page.size);
  TTextIndex index;
  {
    // Nothing read from or written to the page cache: it keeps the pages
    // as the base has them, for the next full build.
    const TPageCacheReader none{std::string()};
    TPageCacheWriter nowhere{std::string()};
    // The anchors' tables of only the pages read.
    TPageSource::Anchors changedAnchors;
    if (options.anchorTable) {
      for (const WalkedPage& page : changed) {
        auto anchors = options.anchorTable->Map(page.path);
        if (!anchors.empty()) changedAnchors.emplace(page.path, std::move(anchors));
      }
    }
    TPageSource source(options.htmlFolder, changed,
                       options.anchorTable ? changedAnchors : options.anchors, none, &nowhere,
                       options.readAhead);
    SourcePage read;
    while (!GivenUp(options.gate) && source.Next(&read)) {
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

  // Nothing is written before the gate opens, the new folder included.
  if (!MayWrite(options.gate)) {
    summary->error = kCancelledBuild;
    return true;
  }
  if (mkdir(options.outputFolder.c_str(), 0755) != 0) return false;

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
  std::string fields = "\"pages\":" + std::to_string(summary->pages) +
                       ",\"sections\":" + std::to_string(sections) +
                       ",\"words\":" + std::to_string(summary->words) + ",\"segments\":[{\"g\":\"" +
                       base.generation + "\",\"dir\":\"../" + baseName +
                       "/\",\"f\":\"\",\"sections\":" + std::to_string(base.sections) + "," +
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
  summary->bytes = base.bytes + shards.bytes;
  summary->error = shards.error;
  summary->baseFolder = baseName;
  progress.At(100);
  return true;
}

}  // namespace lexidor::fulltext
