// What the last build read from each page, kept in a file so that a rebuild
// extracts again only the pages whose size or time have changed.
//
// The file is a private cache: any damage or a different format makes it
// read as empty (or an entry as missing), which costs time and nothing else.
// It is read a page's entry at a time, by a table at its end, and written as
// the build goes, so that neither the old nor the new cache is held in
// memory as a whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

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
  explicit TPageCacheWriter(std::string file, TWriteGate* gate = nullptr);
  ~TPageCacheWriter();  // removes the new file unless committed
  TPageCacheWriter(const TPageCacheWriter&) = delete;
  TPageCacheWriter& operator=(const TPageCacheWriter&) = delete;

  void Add(const std::string& path, const CachedPage& page);
  // Renames the new file over `file`; "" on success, else what failed.
  std::string Commit();

 private:
  void Create();
  void Drain();
  std::string file_, temp_;
  TWriteGate* const gate_;
  int fd_ = -1;
  bool ok_ = false;
  int error_ = 0;
  std::string out_;
  uint64_t written_ = 0;  // bytes drained into the file
  std::string table_;     // the entries' table, written at the end
  uint64_t count_ = 0;
};

}  // namespace lexidor::fulltext
