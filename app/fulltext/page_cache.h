// What the last build read from each page, kept in a file so that a rebuild
// extracts again only the pages whose size or time have changed.
//
// The file is a private cache: any damage or a different format makes it
// read as empty (or an entry as missing), which costs time and nothing else.
// It is read a page's entry at a time, by a table at its end, and written as
// the build goes, so that neither the old nor the new cache is held in
// memory as a whole.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/fulltext/aligned_bytes.h"
#include "app/fulltext/page_text.h"
#include "app/fulltext/write_gate.h"

namespace lexidor::fulltext {

struct CachedPage {
  int64_t size = 0;
  int64_t mtime = 0;
  std::string anchors;  // the command anchors the page was cut by, as a key
  PageText text;
};

class TPageCacheReader {
 public:
  // Opens `file` and reads its table; an unreadable or foreign file gives
  // an empty cache.
  explicit TPageCacheReader(const std::string& file);
  ~TPageCacheReader();
  TPageCacheReader(const TPageCacheReader&) = delete;
  TPageCacheReader& operator=(const TPageCacheReader&) = delete;

  // The page's entry when its size, time and anchors key are those given.
  bool Find(const std::string& path, int64_t size, int64_t mtime, const std::string& anchors,
            CachedPage* page) const;
  size_t Count() const { return entries_.size(); }
  // Whether the cache has an entry for the page, of any size and time.
  bool Knows(const std::string& path) const { return entries_.count(path) != 0; }

 private:
  int fd_ = -1;
  std::string table_;
  struct Entry {
    uint64_t offset;  // where the entry starts (its size)
    uint64_t length;
    uint32_t crc;  // CRC-32 of its bytes
  };
  std::unordered_map<std::string_view, Entry> entries_;  // by path (in table_)
};

class TPageCacheWriter {
 public:
  // Writes to a new file beside `file`; nothing happens for "".  With a
  // `gate` (which outlives the writer) the file is made only once the gate
  // is open: what is added before is kept in memory, and past a bound Add
  // waits for the gate.  A cancelled gate makes the writer drop everything.
  // Add may be called from one thread after another, never from two at
  // once.
  explicit TPageCacheWriter(std::string file, TWriteGate* gate = nullptr);
  ~TPageCacheWriter();  // removes the new file unless committed
  TPageCacheWriter(const TPageCacheWriter&) = delete;
  TPageCacheWriter& operator=(const TPageCacheWriter&) = delete;

  void Add(const std::string& path, const CachedPage& page);
  // Renames the new file over `file`; "" on success, else what failed.
  std::string Commit();

 private:
  // Hands the whole blocks of out_ (all of it when `last`) to the writing
  // thread, creating the file first once the gate lets it.
  void Hand(bool last);
  void Create();
  void Run();
  int Write(TAlignedBytes& block);  // 0 or the errno of the failure
  void Fail(int error);
  std::string file_, temp_;
  TWriteGate* const gate_;
  int fd_ = -1;
  bool ok_ = false;
  int error_ = 0;
  TAlignedBytes out_;    // bytes added and not yet handed over
  uint64_t handed_ = 0;  // bytes handed over
  std::string table_;    // the entries' table, written at the end
  uint64_t count_ = 0;

  // The thread that writes the blocks handed over, in order, to a file
  // opened for direct writes where the file system takes them: the disk
  // takes the bytes from these blocks, where a usual write copied each of
  // the cache's hundreds of megabytes into fresh memory of the kernel's
  // (for a file that only the next full build reads, from the disk most
  // likely), and the build goes on meanwhile.
  std::mutex mutex_;
  std::condition_variable work_, room_;
  std::deque<TAlignedBytes> pending_;  // handed over, not yet written
  uint64_t pendingBytes_ = 0;
  std::vector<TAlignedBytes> spare_;  // written, their room kept for reuse
  bool finishing_ = false, stopping_ = false;
  int writeError_ = 0;
  bool direct_ = false;
  bool padded_ = false;  // the last block was filled up to be written
  std::thread thread_;
};

}  // namespace lexidor::fulltext
