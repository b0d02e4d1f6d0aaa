// The walked pages, read and cut into sections (or taken from the cache),
// in walk order, on a thread of their own ahead of the index that takes
// them: reading and extracting one page overlaps indexing the one before.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_walk.h"

namespace lexidor::fulltext {

struct SourcePage {
  const WalkedPage* page = nullptr;
  CachedPage entry;
  bool reused = false;  // taken from the cache
  std::string error;    // why the page could not be read ("" when it was)
};

class TPageSource {
 public:
  using Anchors = std::map<std::string, std::map<std::string, std::string>>;

  // Nothing is copied: the folder, pages, anchors and caches outlive the
  // source.  Each page read (or taken from `cache`) is added to `fresh`, on
  // the reading thread, so that the index's thread does not copy it.  With
  // `readAhead` 0 each page is read when Next asks for it, on the caller's
  // thread; else a thread keeps up to that many pages ready.
  TPageSource(const std::string& htmlFolder, const std::vector<WalkedPage>& pages,
              const Anchors& anchors, const TPageCacheReader& cache, TPageCacheWriter* fresh,
              size_t readAhead);
  ~TPageSource();  // stops the thread and waits for it
  TPageSource(const TPageSource&) = delete;
  TPageSource& operator=(const TPageSource&) = delete;

  // The next page in walk order; false after the last.  An exception the
  // reading thread met (std::bad_alloc) is thrown here.  What `out` held
  // before goes back to the reading thread, which frees it: the memory of a
  // page is given back by the thread that took it, where freeing it on the
  // index's thread contended for the reading thread's allocator.
  bool Next(SourcePage* out);

 private:
  SourcePage Read(size_t index, std::string& buffer) const;
  void Run();

  const std::string& folder_;
  const std::vector<WalkedPage>& pages_;
  const Anchors& anchors_;
  const TPageCacheReader& cache_;
  TPageCacheWriter* const fresh_;
  const size_t readAhead_;
  size_t next_ = 0;  // without a thread: the next page to read
  std::string buffer_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<SourcePage> ready_;
  std::vector<SourcePage> spent_;  // taken pages, for the reading thread to free
  bool finished_ = false;          // the thread has queued its last page
  bool stop_ = false;              // the consumer is gone
  std::exception_ptr failure_;
  std::thread thread_;
};

// The anchors of a page as the cache keys them.
std::string AnchorsKey(const std::map<std::string, std::string>& anchors);

}  // namespace lexidor::fulltext
