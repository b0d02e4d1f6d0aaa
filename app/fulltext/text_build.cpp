#include "app/fulltext/text_build.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_text.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/shard_writer.h"
#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

namespace {

// Reads a whole regular file into `data`; "" or the reason it could not.
std::string ReadPage(const std::string& path, std::string& data) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int e = errno;
    close(fd);
    return S_ISREG(st.st_mode) ? std::strerror(e) : "not a regular file";
  }
  data.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  std::string error;
  while (done < data.size()) {
    const ssize_t n = read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = std::strerror(errno);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  data.resize(done);
  return error;
}

std::string AnchorsKey(const std::map<std::string, std::string>* anchors) {
  std::string key;
  if (!anchors) return key;
  for (const auto& [anchor, name] : *anchors) key += anchor + '\x01' + name + '\x02';
  return key;
}

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
  std::string data;
  static const std::map<std::string, std::string> kNoAnchors;
  for (const WalkedPage& page : walk.pages) {
    auto found = options.anchors.find(page.path);
    const auto& anchors = found == options.anchors.end() ? kNoAnchors : found->second;
    const std::string key = AnchorsKey(&anchors);
    CachedPage entry;
    if (old.Find(page.path, page.size, page.mtime, key, &entry)) {
      ++summary.reused;
    } else {
      const std::string full = options.htmlFolder + "/" + page.path;
      const std::string error = ReadPage(full, data);
      if (!error.empty()) {
        summary.skipped.push_back(full + ": " + error);
        continue;
      }
      const size_t slash = page.path.rfind('/');
      entry.size = page.size;
      entry.mtime = page.mtime;
      entry.anchors = key;
      entry.text = ExtractPageText(
          data, anchors, slash == std::string::npos ? page.path : page.path.substr(slash + 1));
    }
    const uint32_t id = index.AddPage(page.path);
    for (const TextSection& section : entry.text.sections) index.AddSection(id, section);
    ++summary.pages;
    done += static_cast<uint64_t>(page.size);
    progress.At(total ? static_cast<int>(done * 90 / total) : 90);
    fresh.Add(page.path, entry);
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
