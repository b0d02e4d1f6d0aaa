#include "app/fulltext/page_cache.h"

#include <errno.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace lexidor::fulltext {

namespace {

// Changes with the format and with what extraction keeps of a page.
constexpr std::string_view kMagic = "LXTC4\n";
// The file ends with a table of its entries (per page its path, where its
// entry starts, how long it is and its CRC-32), the table's offset and this
// mark, so that a reader learns where each page is without reading the
// pages, and takes no damaged entry for a page's text.
constexpr std::string_view kEnd = "LXTCEND\n";

// What a writer keeps in memory unwritten, at most: while its gate is
// closed, more than the pages of a large kit read while its name index is
// built; once the file is made, what the disk is behind by.  Past it the
// build waits (for the gate, or for the disk).  The reading threads, which
// add the pages, do not wait for the disk within it: when the gate opens,
// the cache held so far goes to a disk that is also syncing the name
// index, and pages waiting to be added to the cache are pages the index
// waits for.
constexpr size_t kHeldUnwritten = size_t{64} << 20;
// The bytes handed to the writing thread at a time, at least, and the room
// a block starts with (a page's entry seldom passes the difference).
constexpr size_t kBlockBytes = size_t{4} << 20;
constexpr size_t kBlockRoom = kBlockBytes + (size_t{256} << 10);
// Written blocks kept for their room.
constexpr size_t kSpareBlocks = 2;

// Reads `size` bytes at `offset`; false when the file has not as many.
bool ReadAt(int fd, uint64_t offset, size_t size, std::string* out) {
  out->resize(size);
  for (size_t done = 0; done < size;) {
    const ssize_t n = pread(fd, out->data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Little-endian, into a std::string or a TAlignedBytes.
template <typename Out>
void PutU64(Out& out, uint64_t v) {
  char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  out.append(bytes, 8);
}
template <typename Out>
void PutText(Out& out, std::string_view text) {
  PutU64(out, text.size());
  out.append(text.data(), text.size());
}

// Bounds-checked reading of bytes read from the file: a short or damaged
// entry turns the reader off instead of reading past the end.
class Reader {
 public:
  Reader(const char* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}
  bool ok() const { return ok_; }
  uint64_t U64() {
    if (size_ - pos_ < 8) return Fail();
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) {
      v |= static_cast<uint64_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
    }
    pos_ += 8;
    return v;
  }
  std::string_view Text() {
    const uint64_t n = U64();
    if (!ok_ || size_ - pos_ < n) return Fail(), std::string_view();
    std::string_view t(data_ + pos_, n);
    pos_ += n;
    return t;
  }

 private:
  uint64_t Fail() {
    ok_ = false;
    pos_ = size_;
    return 0;
  }
  const char* data_;
  size_t size_;
  size_t pos_;
  bool ok_ = true;
};

}  // namespace

TPageCacheReader::TPageCacheReader(const std::string& file) {
  fd_ = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0) return;
  struct stat st;
  std::string head, tail;
  const uint64_t trailer = 8 + kEnd.size();
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) < kMagic.size() + trailer ||
      !ReadAt(fd_, 0, kMagic.size(), &head) || head != kMagic ||
      !ReadAt(fd_, static_cast<uint64_t>(st.st_size) - trailer, trailer, &tail) ||
      tail.substr(8) != kEnd) {
    return;
  }
  const uint64_t end = static_cast<uint64_t>(st.st_size) - trailer;
  const uint64_t at = Reader(tail.data(), tail.size(), 0).U64();
  if (at < kMagic.size() || at > end || !ReadAt(fd_, at, end - at, &table_)) return;
  Reader in(table_.data(), table_.size(), 0);
  for (uint64_t n = in.U64(); in.ok() && n > 0; --n) {
    const std::string_view path = in.Text();
    const uint64_t offset = in.U64(), length = in.U64(), crc = in.U64();
    if (!in.ok() || offset < kMagic.size() || offset > at || length > at - offset) break;
    entries_[path] = {offset, length, static_cast<uint32_t>(crc)};
  }
}

TPageCacheReader::~TPageCacheReader() {
  if (fd_ >= 0) close(fd_);
}

bool TPageCacheReader::Find(const std::string& path, int64_t size, int64_t mtime,
                            const std::string& anchors, CachedPage* page) const {
  auto it = entries_.find(path);
  if (it == entries_.end()) return false;
  std::string bytes;
  if (!ReadAt(fd_, it->second.offset, it->second.length, &bytes) ||
      libdeflate_crc32(0, bytes.data(), bytes.size()) != it->second.crc) {
    return false;
  }
  Reader in(bytes.data(), bytes.size(), 0);
  page->size = static_cast<int64_t>(in.U64());
  page->mtime = static_cast<int64_t>(in.U64());
  page->anchors = std::string(in.Text());
  if (!in.ok() || page->size != size || page->mtime != mtime || page->anchors != anchors) {
    return false;
  }
  const uint64_t count = in.U64();
  page->text.sections.clear();
  for (uint64_t i = 0; in.ok() && i < count; ++i) {
    TextSection s;
    for (std::string* t : {&s.anchor, &s.title, &s.excerpt, &s.titleWords, &s.bodyWords}) {
      *t = std::string(in.Text());
    }
    page->text.sections.push_back(std::move(s));
  }
  return in.ok();
}

TPageCacheWriter::TPageCacheWriter(std::string file, TWriteGate* gate)
    : file_(std::move(file)), gate_(gate) {
  if (file_.empty()) return;
  ok_ = true;
  out_.Reserve(kBlockRoom);
  out_.Append(kMagic);
  if (!gate_) Create();
}

void TPageCacheWriter::Fail(int error) {
  ok_ = false;
  if (error_ == 0) error_ = error;
}

void TPageCacheWriter::Create() {
  temp_ = file_ + ".XXXXXX";
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    Fail(errno);
    temp_.clear();
    return;
  }
  // Direct writes where the file system takes them, else the usual ones.
  const int flags = fcntl(fd_, F_GETFL);
  direct_ = flags >= 0 && fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0;
  thread_ = std::thread([this] { Run(); });
}

TPageCacheWriter::~TPageCacheWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) {
    close(fd_);
    unlink(temp_.c_str());
  }
}

void TPageCacheWriter::Add(const std::string& path, const CachedPage& page) {
  if (!ok_) return;
  PutText(out_, path);
  const uint64_t start = handed_ + out_.size();
  PutU64(out_, static_cast<uint64_t>(page.size));
  PutU64(out_, static_cast<uint64_t>(page.mtime));
  PutText(out_, page.anchors);
  PutU64(out_, page.text.sections.size());
  for (const TextSection& s : page.text.sections) {
    for (const std::string* t : {&s.anchor, &s.title, &s.excerpt, &s.titleWords, &s.bodyWords}) {
      PutText(out_, *t);
    }
  }
  const uint64_t length = handed_ + out_.size() - start;
  PutText(table_, path);
  PutU64(table_, start);
  PutU64(table_, length);
  PutU64(table_, libdeflate_crc32(0, out_.data() + (out_.size() - length), length));
  ++count_;
  if (out_.size() >= kBlockBytes) Hand(false);
}

void TPageCacheWriter::Hand(bool last) {
  // The whole blocks go (all of it at the end); the rest begins the next
  // block, in a spare one's room.
  const size_t whole = last ? out_.size() : out_.size() / kDirectAlign * kDirectAlign;
  TAlignedBytes next;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!spare_.empty()) {
    next = std::move(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  next.Reserve(kBlockRoom);
  next.append(out_.data() + whole, out_.size() - whole);
  out_.Cut(whole);
  handed_ += whole;
  lock.lock();
  pendingBytes_ += whole;
  pending_.push_back(std::exchange(out_, std::move(next)));
  const uint64_t held = pendingBytes_;
  lock.unlock();
  if (fd_ < 0) {
    // Before the gate opens, what was added is kept here, up to a bound;
    // past it the build waits for the gate.
    if (gate_ && !gate_->IsOpen() && !last && held < kHeldUnwritten) return;
    if (gate_ && !gate_->Wait()) Fail(ECANCELED);
    if (ok_) Create();
    if (!ok_) {
      lock.lock();
      pending_.clear();
      return;
    }
  }
  lock.lock();
  work_.notify_one();
  // The build waits while the disk is behind by more than the bound.
  room_.wait(lock, [this] { return pendingBytes_ < kHeldUnwritten || writeError_ != 0; });
  if (writeError_ != 0) Fail(writeError_);
}

int TPageCacheWriter::Write(TAlignedBytes& block) {
  // A direct write takes whole blocks: the last one is filled with zero
  // bytes, which Commit cuts off again.
  if (direct_ && block.size() % kDirectAlign != 0) {
    padded_ = true;
    block.PadToBlock();
  }
  for (size_t done = 0; done < block.size();) {
    const ssize_t n = write(fd_, block.data() + done, block.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EINVAL && direct_) {
      // Refused by a file system that opened the file for direct writes
      // but takes no such write here: the rest goes the usual way.
      const int flags = fcntl(fd_, F_GETFL);
      if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_DIRECT) != 0) return EINVAL;
      direct_ = false;
      continue;
    }
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

void TPageCacheWriter::Run() {
  int error = 0;
  for (;;) {
    TAlignedBytes block;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return stopping_ || finishing_ || !pending_.empty(); });
      if (stopping_ || pending_.empty()) break;
      block = std::move(pending_.front());
      pending_.pop_front();
    }
    // After a failure the blocks are only taken, so that no one waits.
    if (error == 0) error = Write(block);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pendingBytes_ -= std::min<uint64_t>(pendingBytes_, block.size());
      if (error != 0 && writeError_ == 0) writeError_ = error;
      block.Cut(0);
      if (spare_.size() < kSpareBlocks) spare_.push_back(std::move(block));
    }
    room_.notify_all();
  }
}

std::string TPageCacheWriter::Commit() {
  if (file_.empty()) return std::string();
  if (ok_ && gate_ && !gate_->Wait()) Fail(ECANCELED);
  if (ok_) {
    const uint64_t at = handed_ + out_.size();
    PutU64(out_, count_);
    out_.Append(table_);
    PutU64(out_, at);
    out_.Append(kEnd);
    Hand(true);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  work_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (writeError_ != 0) Fail(writeError_);
  if (ok_ && padded_ && ftruncate(fd_, static_cast<off_t>(handed_)) != 0) Fail(errno);
  if (fd_ >= 0 && close(fd_) != 0 && ok_) Fail(errno);
  fd_ = -1;
  if (ok_ && rename(temp_.c_str(), file_.c_str()) != 0) Fail(errno);
  if (!ok_) {
    if (!temp_.empty()) unlink(temp_.c_str());
    return "Cannot write " + file_ + ": " + std::strerror(error_);
  }
  return std::string();
}

}  // namespace lexidor::fulltext
