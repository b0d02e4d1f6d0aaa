#include "app/fulltext/page_source.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "app/fulltext/page_text.h"
#include "app/fulltext/thread_priority.h"

namespace lexidor::fulltext {

namespace {

// A page is read whole; no documentation page comes near this, and a
// larger file is no page a reader opens.
constexpr off_t kMaxPageBytes = off_t{256} << 20;

// Reads the whole regular file open as `fd` (whose status is `st`) into
// the start of `data`, which only grows: a page shorter than the one before
// leaves the rest as it was, and no byte is cleared before it is read into.
// Sets `length` to the bytes read; returns "" or the reason it could not.
std::string ReadPage(int fd, const struct stat& st, std::string& data, size_t* length) {
  *length = 0;
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (st.st_size > kMaxPageBytes) {
    return "larger than " + std::to_string(kMaxPageBytes >> 20) + " MB";
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (data.size() < size) data.resize(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, data.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::strerror(errno);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  *length = done;
  return std::string();
}

// Reads the page open as `fd` when it holds `size` bytes, the size the walk
// saw, into the start of `data` (which only grows), asking for a byte
// more: a read that comes back short at that size has read the whole page
// (a short read of a file ends at its end).  False otherwise (the page grew
// or shrank since, is no regular file, or a read failed): the caller then
// looks at the file's status and reads it from its start.
bool ReadAsWalked(int fd, int64_t size, std::string& data) {
  if (size < 0 || size > kMaxPageBytes) return false;
  const size_t whole = static_cast<size_t>(size), want = whole + 1;
  if (data.size() < want) data.resize(want);
  for (size_t done = 0; done < want;) {
    const size_t asked = want - done;
    const ssize_t n = read(fd, data.data() + done, asked);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
    if (static_cast<size_t>(n) < asked && done == whole) return true;
  }
  return false;
}

// Closes a descriptor when it goes.
struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

// A page's words are cut ahead only up to this many bytes of them: a cut
// word takes about eight times its bytes, and the pages read ahead are
// counted, not their bytes.  A larger page's words are cut by the index.
constexpr size_t kCutAheadBytes = size_t{256} << 10;

void CutWords(SourcePage* page) {
  const std::vector<TextSection>& sections = page->entry.text.sections;
  size_t bytes = 0;
  for (const TextSection& section : sections) {
    bytes += section.titleWords.size() + section.bodyWords.size();
  }
  if (bytes > kCutAheadBytes) return;
  page->words.resize(sections.size());
  for (size_t i = 0; i < sections.size(); ++i) TTextIndex::CutWords(sections[i], &page->words[i]);
}

}  // namespace

std::string AnchorsKey(const std::map<std::string, std::string>& anchors) {
  std::string key;
  for (const auto& [anchor, name] : anchors) key += anchor + '\x01' + name + '\x02';
  return key;
}

TPageSource::TPageSource(const std::string& htmlFolder, const std::vector<WalkedPage>& pages,
                         const Anchors& anchors, const TPageCacheReader& cache,
                         TPageCacheWriter* fresh, size_t readAhead, const TAnchorTable* table)
    : folder_(htmlFolder),
      pages_(pages),
      anchors_(anchors),
      table_(table),
      cache_(cache),
      fresh_(fresh),
      readAhead_(readAhead),
      dir_(open(htmlFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      wakeBatch_(std::max<size_t>(1, std::min<size_t>(4, readAhead / 4))) {
  if (readAhead_ == 0) return;
  slots_.resize(readAhead_);
  ready_.assign(readAhead_, 0);
  // Started under the lock: a thread that fails to start leaves those
  // started to be stopped by the destructor, which a throwing constructor
  // does not run.
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t k = 0; k < kReaders; ++k) {
      threads_.emplace_back([this] { Run(); });
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    WakeAll();
    for (std::thread& t : threads_) t.join();
    if (dir_ >= 0) close(dir_);
    throw;
  }
}

TPageSource::~TPageSource() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  WakeAll();
  for (std::thread& t : threads_) t.join();
  if (dir_ >= 0) close(dir_);
}

SourcePage TPageSource::Read(size_t index, std::string& buffer) const {
  static const std::map<std::string, std::string> kNoAnchors;
  SourcePage out;
  out.page = &pages_[index];
  const WalkedPage& page = pages_[index];
  TAnchorTable::PageAnchors own;
  if (table_) own = table_->Map(page.path);
  const auto found = table_ ? anchors_.end() : anchors_.find(page.path);
  const auto& anchors = table_ ? own : found == anchors_.end() ? kNoAnchors : found->second;
  const std::string key = AnchorsKey(anchors);
  // The walk saw the page a while ago: it may have gone or changed since.
  // Only a page that is still there as the walk saw it is taken from the
  // cache; one that went is counted as unreadable, like one that goes
  // while it is read.  The page is opened first and its status taken from
  // the open file: one look along its path, where a look for its status
  // and then an open took two.  One that cannot be opened is looked at
  // along its path, and still taken from the cache when unchanged.
  const int at = dir_ >= 0 ? dir_ : AT_FDCWD;
  const std::string path = dir_ >= 0 ? page.path : folder_ + "/" + page.path;
  const int fd = openat(at, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  const int openError = errno;
  const FdCloser closer{fd};
  const size_t slash = page.path.rfind('/');
  const std::string_view name = slash == std::string::npos
                                    ? std::string_view(page.path)
                                    : std::string_view(page.path).substr(slash + 1);
  // A page the cache does not know (every page of a first build) is read
  // as the walk saw it with no look at its status: its size is all there
  // is to know of it.  One that does not read so is read again after one.
  if (fd >= 0 && !cache_.Knows(page.path)) {
    if (ReadAsWalked(fd, page.size, buffer)) {
      out.entry.size = page.size;
      out.entry.mtime = page.mtime;
      out.entry.anchors = key;
      out.entry.text = ExtractPageText(
          std::string_view(buffer.data(), static_cast<size_t>(page.size)), anchors, name);
      CutWords(&out);
      return out;
    }
    lseek(fd, 0, SEEK_SET);
  }
  struct stat st;
  const bool known = fd >= 0 ? fstat(fd, &st) == 0 : fstatat(at, path.c_str(), &st, 0) == 0;
  const int reason = fd >= 0 || !known ? errno : openError;
  const int64_t mtime =
      known ? static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : 0;
  if (known && st.st_size == page.size && mtime == page.mtime &&
      cache_.Find(page.path, page.size, page.mtime, key, &out.entry)) {
    out.reused = true;
    CutWords(&out);
    return out;
  }
  if (fd < 0 || !known) {
    out.error = folder_ + "/" + page.path + ": " + std::strerror(reason);
    return out;
  }
  size_t length = 0;
  out.error = ReadPage(fd, st, buffer, &length);
  if (!out.error.empty()) {
    out.error = folder_ + "/" + page.path + ": " + out.error;
    return out;
  }
  out.entry.size = page.size;
  out.entry.mtime = page.mtime;
  out.entry.anchors = key;
  out.entry.text = ExtractPageText(std::string_view(buffer.data(), length), anchors, name);
  CutWords(&out);
  return out;
}

void TPageSource::WakeAll() {
  pagesReady_.notify_all();
  roomFreed_.notify_all();
}

void TPageSource::AddToCache(std::unique_lock<std::mutex>& lock) {
  if (caching_) return;  // the thread at it takes this page too
  caching_ = true;
  // Pages are given on only once in the cache: the slot of a page being
  // added is neither taken nor filled meanwhile.
  while (cached_ < next_ && ready_[cached_ % readAhead_] && !stop_) {
    const SourcePage& page = slots_[cached_ % readAhead_];
    lock.unlock();
    if (page.error.empty()) fresh_->Add(page.page->path, page.entry);
    lock.lock();
    ++cached_;
    // The index's thread is woken for a few pages at once, or the last.
    if (cached_ - given_ >= wakeBatch_ || cached_ >= pages_.size()) pagesReady_.notify_one();
  }
  caching_ = false;
}

void TPageSource::Run() {
  // The reading threads are ahead of the index, which is woken for the
  // pages they read: they leave it its core when they wake for room.
  YieldWhenWoken();
  std::string buffer;
  try {
    for (;;) {
      std::vector<SourcePage> spent;  // freed here, after the lock is let go
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        roomFreed_.wait(lock, [this] {
          return stop_ || failure_ || next_ >= pages_.size() || next_ < given_ + readAhead_;
        });
        if (stop_ || failure_ || next_ >= pages_.size()) break;
        index = next_++;
        spent.swap(spent_);
      }
      spent.clear();
      SourcePage page = Read(index, buffer);
      if (buffer.capacity() > (8u << 20)) std::string().swap(buffer);  // a huge page's room
      std::unique_lock<std::mutex> lock(mutex_);
      slots_[index % readAhead_] = std::move(page);
      ready_[index % readAhead_] = 1;
      AddToCache(lock);
    }
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
    }
    WakeAll();
  }
}

bool TPageSource::Next(SourcePage* out) {
  if (readAhead_ == 0) {
    if (next_ >= pages_.size()) return false;
    *out = Read(next_++, buffer_);
    if (out->error.empty()) fresh_->Add(out->page->path, out->entry);
    return true;
  }
  SourcePage spent = std::move(*out);
  std::unique_lock<std::mutex> lock(mutex_);
  if (spent.page) spent_.push_back(std::move(spent));
  // A page is given once it is in the cache, or never when a thread
  // failed: the pages after the failure are not read.
  pagesReady_.wait(lock,
                   [this] { return given_ < cached_ || failure_ || given_ >= pages_.size(); });
  if (failure_) std::rethrow_exception(failure_);
  if (given_ >= cached_) return false;
  const size_t slot = given_ % readAhead_;
  *out = std::move(slots_[slot]);
  slots_[slot] = SourcePage();
  ready_[slot] = 0;
  ++given_;
  // The reading threads are woken once a few slots are free.
  if (given_ + readAhead_ - next_ >= wakeBatch_) roomFreed_.notify_all();
  return true;
}

}  // namespace lexidor::fulltext
