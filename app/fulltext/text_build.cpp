#include "app/fulltext/text_build.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_source.h"
#include "app/fulltext/page_text.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

namespace {

class Progress {
 public:
  explicit Progress(const std::function<void(int)>& report) : report_(report) {}
  void At(int percent) {
    if (!report_ || percent <= last_) return;
    last_ = percent;
    report_(percent);
  }

 private:
  const std::function<void(int)>& report_;
  int last_ = -1;
};

}  // namespace

TextBuildSummary BuildTextIndex(const TextBuildOptions& options) {
  TextBuildSummary summary;
  Progress progress(options.progress);
  progress.At(0);
  WalkResult walk = WalkPages(options.htmlFolder, options.skip);
  summary.skipped = std::move(walk.problems);

  const TPageCacheReader old(options.cacheFile);
  TPageCacheWriter fresh(options.cacheFile);
  uint64_t total = 0, done = 0;
  for (const WalkedPage& page : walk.pages) total += static_cast<uint64_t>(page.size);

  TTextIndex index;
  {
    TPageSource source(options.htmlFolder, walk.pages, options.anchors, old, &fresh,
                       options.readAhead);
    SourcePage read;
    while (source.Next(&read)) {
      if (!read.error.empty()) {
        summary.skipped.push_back(std::move(read.error));
        continue;
      }
      const uint32_t id = index.AddPage(read.page->path);
      for (const TextSection& section : read.entry.text.sections) index.AddSection(id, section);
      ++summary.pages;
      summary.reused += read.reused;
      done += static_cast<uint64_t>(read.page->size);
      progress.At(total ? static_cast<int>(done * 90 / total) : 90);
    }
  }
  summary.sections = index.Sections().size();
  summary.words = index.Words();

  if (mkdir(options.outputFolder.c_str(), 0755) != 0) {
    summary.error = "Cannot create " + options.outputFolder + ": " + std::strerror(errno);
    return summary;
  }
  const ShardResult shards = WriteShards(index, options.outputFolder, options.generation);
  summary.files = shards.files;
  summary.bytes = shards.bytes;
  summary.error = shards.error;
  // A cache that cannot be written only makes the next build slower.
  if (summary.error.empty()) fresh.Commit();
  progress.At(100);
  return summary;
}

}  // namespace lexidor::fulltext
