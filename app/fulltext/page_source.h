// The walked pages, read and cut into sections (or taken from the cache),
// in walk order, on threads of their own ahead of the index that takes
// them: reading and extracting pages overlaps indexing the one before.
// Two threads cut pages side by side, each taking the next page not yet
// taken, and the pages are handed on, and added to the new cache, in walk
// order, so that what is indexed and written does not depend on which
// thread was faster.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/fulltext/page_anchors.h"
#include "app/fulltext/page_cache.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/text_index.h"

namespace lexidor::fulltext {

struct SourcePage {
  const WalkedPage* page = nullptr;
  CachedPage entry;
  // Per section of entry.text, its words cut for the index: cutting them
  // and making their keys is done by the thread that reads the page.
  // Empty for a page of very many words, which the index cuts itself.
  std::vector<TTextIndex::SectionWords> words;
  bool reused = false;  // taken from the cache
  std::string error;    // why the page could not be read ("" when it was)
};

class TPageSource {
 public:
  using Anchors = std::map<std::string, std::map<std::string, std::string>>;

  // Nothing is copied: the folder, pages, anchors and caches outlive the
  // source.  Each page read (or taken from `cache`) is added to `fresh`, on
  // a reading thread, in walk order, so that the index's thread does not
  // copy it.  With `readAhead` 0 each page is read when Next asks for it,
  // on the caller's thread; else the threads keep up to that many pages
  // ready or being read.  With a `table` (which outlives the source too),
  // each page's anchors are taken from it by the thread that reads the
  // page, and `anchors` is not read: the tables of all pages are never
  // made and held at once.
  TPageSource(const std::string& htmlFolder, const std::vector<WalkedPage>& pages,
              const Anchors& anchors, const TPageCacheReader& cache, TPageCacheWriter* fresh,
              size_t readAhead, const TAnchorTable* table = nullptr);
  ~TPageSource();  // stops the threads and waits for them
  TPageSource(const TPageSource&) = delete;
  TPageSource& operator=(const TPageSource&) = delete;

  // The next page in walk order; false after the last.  An exception a
  // reading thread met (std::bad_alloc) is thrown here.  What `out` held
  // before goes back to the reading threads, which free it: the memory of
  // a page is given back by a thread that reads, where freeing it on the
  // index's thread contended for the reading threads' allocators.
  bool Next(SourcePage* out);

 private:
  static constexpr size_t kReaders = 2;

  SourcePage Read(size_t index, std::string& buffer) const;
  void Run();
  // With the lock held: hands the pages read, in walk order, to the new
  // cache, unless another thread is at it; lets go of the lock meanwhile.
  void AddToCache(std::unique_lock<std::mutex>& lock);

  const std::string& folder_;
  const std::vector<WalkedPage>& pages_;
  const Anchors& anchors_;
  const TAnchorTable* const table_;
  const TPageCacheReader& cache_;
  TPageCacheWriter* const fresh_;
  const size_t readAhead_;
  // The folder, open: pages are opened from it, not looked up along its
  // whole path each time (-1 when it could not be opened: by their paths).
  const int dir_;
  const size_t wakeBatch_;
  size_t next_ = 0;  // the next page to read
  std::string buffer_;

  std::mutex mutex_;
  // The index's thread waits on pagesReady_ for pages, the reading threads
  // on roomFreed_ for free slots.  Each side is woken only once a few
  // pages (or slots) are there, wakeBatch_ of them, not for each page:
  // a wake-up costs both threads a switch, and the readers keep at least
  // that many pages ahead, so a waiting side is always woken.
  std::condition_variable pagesReady_, roomFreed_;
  void WakeAll();
  // The pages from given_ (not yet given to Next) up to next_ (not yet
  // taken by a reading thread), page i in slot i % readAhead_; those from
  // cached_ on are not yet added to the new cache.  A slot is ready when
  // its page has been read.
  std::vector<SourcePage> slots_;
  std::vector<char> ready_;
  size_t given_ = 0, cached_ = 0;
  bool caching_ = false;           // a thread is adding pages to the cache
  std::vector<SourcePage> spent_;  // taken pages, for a reading thread to free
  bool stop_ = false;              // the consumer is gone
  std::exception_ptr failure_;
  std::vector<std::thread> threads_;
};

// The anchors of a page as the cache keys them.
std::string AnchorsKey(const std::map<std::string, std::string>& anchors);

}  // namespace lexidor::fulltext
