#include "app/fulltext/page_source.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/page_text.h"

namespace lexidor::fulltext {

namespace {

// A page is read whole; no documentation page comes near this, and a
// larger file is no page a reader opens.
constexpr off_t kMaxPageBytes = off_t{256} << 20;

// Reads a whole regular file into `data`; "" or the reason it could not.
std::string ReadPage(const std::string& path, std::string& data) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  struct stat st;
  std::string refused;
  if (fstat(fd, &st) != 0) {
    refused = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    refused = "not a regular file";
  } else if (st.st_size > kMaxPageBytes) {
    refused = "larger than " + std::to_string(kMaxPageBytes >> 20) + " MB";
  }
  if (!refused.empty()) {
    close(fd);
    return refused;
  }
  // The buffer of the page before is reused: only what that page did not
  // fill is cleared before it is read into.
  const size_t size = static_cast<size_t>(st.st_size);
  if (data.size() < size) data.resize(size);
  size_t done = 0;
  std::string error;
  while (done < size) {
    const ssize_t n = read(fd, data.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = std::strerror(errno);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  data.resize(done);
  return error;
}

}  // namespace

std::string AnchorsKey(const std::map<std::string, std::string>& anchors) {
  std::string key;
  for (const auto& [anchor, name] : anchors) key += anchor + '\x01' + name + '\x02';
  return key;
}

TPageSource::TPageSource(const std::string& htmlFolder, const std::vector<WalkedPage>& pages,
                         const Anchors& anchors, const TPageCacheReader& cache,
                         TPageCacheWriter* fresh, size_t readAhead)
    : folder_(htmlFolder),
      pages_(pages),
      anchors_(anchors),
      cache_(cache),
      fresh_(fresh),
      readAhead_(readAhead) {
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
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
    throw;
  }
}

TPageSource::~TPageSource() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_) t.join();
}

SourcePage TPageSource::Read(size_t index, std::string& buffer) const {
  static const std::map<std::string, std::string> kNoAnchors;
  SourcePage out;
  out.page = &pages_[index];
  const WalkedPage& page = pages_[index];
  auto found = anchors_.find(page.path);
  const auto& anchors = found == anchors_.end() ? kNoAnchors : found->second;
  const std::string key = AnchorsKey(anchors);
  const std::string full = folder_ + "/" + page.path;
  // The walk saw the page a while ago: it may have gone or changed since.
  // Only a page that is still there as the walk saw it is taken from the
  // cache; one that went is counted as unreadable, like one that goes
  // while it is read.
  struct stat st;
  if (stat(full.c_str(), &st) != 0) {
    out.error = full + ": " + std::strerror(errno);
    return out;
  }
  const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  if (st.st_size == page.size && mtime == page.mtime &&
      cache_.Find(page.path, page.size, page.mtime, key, &out.entry)) {
    out.reused = true;
    return out;
  }
  out.error = ReadPage(full, buffer);
  if (!out.error.empty()) {
    out.error = full + ": " + out.error;
    return out;
  }
  const size_t slash = page.path.rfind('/');
  out.entry.size = page.size;
  out.entry.mtime = page.mtime;
  out.entry.anchors = key;
  out.entry.text = ExtractPageText(
      buffer, anchors, slash == std::string::npos ? page.path : page.path.substr(slash + 1));
  return out;
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
    changed_.notify_all();
  }
  caching_ = false;
}

void TPageSource::Run() {
  std::string buffer;
  try {
    for (;;) {
      std::vector<SourcePage> spent;  // freed here, after the lock is let go
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] {
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
    changed_.notify_all();
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
  changed_.wait(lock, [this] { return given_ < cached_ || failure_ || given_ >= pages_.size(); });
  if (failure_) std::rethrow_exception(failure_);
  if (given_ >= cached_) return false;
  const size_t slot = given_ % readAhead_;
  *out = std::move(slots_[slot]);
  slots_[slot] = SourcePage();
  ready_[slot] = 0;
  ++given_;
  changed_.notify_all();
  return true;
}

}  // namespace lexidor::fulltext
