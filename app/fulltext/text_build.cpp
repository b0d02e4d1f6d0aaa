#include "app/fulltext/text_build.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/fulltext/base_state.h"
#include "app/fulltext/delta_build.h"
#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_source.h"
#include "app/fulltext/page_text.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/text_index.h"
#include "runtime/left_to_exit.h"

namespace lexidor::fulltext {

namespace {

// What a rebuild needs of this build's index (its pages, as the walk saw
// them and by the anchors they were cut by).  The stems' texts stay the
// index's: the description is written while the index is alive.
BaseState DescribeBase(const TTextIndex& index, std::vector<BasePage> pages,
                       const TextBuildOptions& options, const ShardResult& shards) {
  BaseState state;
  state.generation = options.generation;
  state.files = shards.names;
  state.bytes = shards.bytes;
  state.ranges = shards.ranges;
  state.sections = index.Sections().size();
  state.words = index.Words();
  state.pages = std::move(pages);
  for (const SectionRecord& s : index.Sections()) {
    state.length += s.titleLength + s.bodyLength;
    BasePage& page = state.pages[s.page];
    page.words += s.titleLength + s.bodyLength;
    if (page.sections++ == 0) page.firstSection = static_cast<uint32_t>(&s - &index.Sections()[0]);
  }
  const auto& stems = index.Stems();
  const std::vector<uint32_t>& order = shards.stemOrder;  // by their texts
  state.stems.reserve(order.size());
  state.frequency.reserve(order.size());
  for (uint32_t id : order) {
    state.stems.push_back(stems[id].text);
    state.frequency.push_back(stems[id].sections);
  }
  return state;
}

TextBuildSummary BuildFull(const TextBuildOptions& options, const WalkResult& walk,
                           TBuildProgress& progress, TextBuildSummary summary) {
  const TPageCacheReader old(options.cacheFile);
  TPageCacheWriter fresh(options.cacheFile, options.gate);
  uint64_t total = 0, done = 0;
  for (const WalkedPage& page : walk.pages) total += static_cast<uint64_t>(page.size);

  // On the heap, so that a run that ends after the build leaves it to the
  // exit (its words and stems are a few hundred thousand allocations).
  auto held = std::make_unique<TTextIndex>();
  TTextIndex& index = *held;
  index.Expect(walk.pages.size(), total);
  std::vector<BasePage> pages;  // by page number in the index
  {
    TPageSource source(options.htmlFolder, walk.pages, options.anchors, old, &fresh,
                       options.readAhead, options.anchorTable);
    SourcePage read;
    while (!GivenUp(options.gate) && source.Next(&read)) {
      if (!read.error.empty()) {
        summary.skipped.push_back(std::move(read.error));
        continue;
      }
      const uint32_t id = index.AddPage(read.page->path);
      const std::vector<TextSection>& sections = read.entry.text.sections;
      for (size_t i = 0; i < sections.size(); ++i) {
        if (read.words.size() == sections.size()) {
          index.AddSection(id, sections[i], read.words[i]);
        } else {
          index.AddSection(id, sections[i]);
        }
      }
      BasePage page;
      page.path = read.page->path;
      page.size = read.page->size;
      page.mtime = read.page->mtime;
      page.anchors = AnchorsHash(read.entry.anchors);
      pages.push_back(std::move(page));
      ++summary.pages;
      summary.reused += read.reused;
      done += static_cast<uint64_t>(read.page->size);
      progress.At(total ? static_cast<int>(done * 90 / total) : 90);
    }
  }
  summary.sections = index.Sections().size();
  summary.words = index.Words();

  if (!MayWrite(options.gate)) {
    summary.error = kCancelledBuild;
    return summary;
  }
  if (mkdir(options.outputFolder.c_str(), 0755) != 0) {
    summary.error = "Cannot create " + options.outputFolder + ": " + std::strerror(errno);
    return summary;
  }
  // The cache and the base's description are written while the disk
  // syncs the index's files, once those are all written.  Neither is needed
  // for the index to be whole: without them the next build is a full one,
  // and reads every page again.  The cache holds what the pages held
  // whatever becomes of the index; the description goes again should the
  // index fail after all.
  bool described = false;
  const ShardResult shards = WriteShards(
      index, options.outputFolder, options.generation, nullptr, [&](const ShardResult& written) {
        if (!written.error.empty()) return;
        auto state =
            std::make_unique<BaseState>(DescribeBase(index, std::move(pages), options, written));
        described = WriteBaseState(BaseStateFile(options.outputFolder), *state).empty();
        LeaveToExit(std::move(state));
        fresh.Commit();
      });
  summary.files = shards.files;
  summary.bytes = shards.bytes;
  summary.error = shards.error;
  if (!summary.error.empty() && described) unlink(BaseStateFile(options.outputFolder).c_str());
  progress.At(100);
  LeaveToExit(std::move(held));
  return summary;
}

}  // namespace

TextBuildInput ReadTextBuildInput(const std::string& htmlFolder, const std::set<std::string>& skip,
                                  const std::string& baseFolder) {
  TextBuildInput input;
  input.baseFolder = baseFolder;
  input.walk = WalkPages(htmlFolder, skip);
  input.baseRead = !baseFolder.empty() && ReadBaseState(BaseStateFile(baseFolder), &input.base) &&
                   !input.base.pages.empty();
  return input;
}

TextBuildSummary BuildTextIndex(const TextBuildOptions& options, TextBuildInput input) {
  TextBuildSummary summary;
  TBuildProgress progress(options.progress);
  progress.At(0);
  summary.skipped = std::move(input.walk.problems);
  if (!options.baseFolder.empty() && input.baseRead && input.baseFolder == options.baseFolder) {
    TextBuildSummary delta = summary;
    if (BuildDelta(options, input.walk, input.base, progress, &delta)) return delta;
  }
  // A full build reads every page: each one's anchors' table is made, from
  // anchorTable when given, by the thread that reads the page.
  return BuildFull(options, input.walk, progress, std::move(summary));
}

TextBuildSummary BuildTextIndex(const TextBuildOptions& options) {
  return BuildTextIndex(options,
                        ReadTextBuildInput(options.htmlFolder, options.skip, options.baseFolder));
}

}  // namespace lexidor::fulltext
