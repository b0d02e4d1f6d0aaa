#include "app/fulltext/page_cache.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace lexidor::fulltext {

namespace {

// Changes with the format and with what extraction keeps of a page.
constexpr std::string_view kMagic = "LXTC2\n";

void PutU64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutText(std::string& out, std::string_view text) {
  PutU64(out, text.size());
  out += text;
}

// Bounds-checked reading of the mapped file: a short or damaged entry
// turns the reader off instead of reading past the end.
class Reader {
 public:
  Reader(const char* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}
  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= size_; }
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
  // Skips one entry after its path; false when it is damaged.
  bool SkipEntry() {
    U64();
    U64();
    Text();
    const uint64_t sections = U64();
    for (uint64_t i = 0; ok_ && i < sections; ++i) {
      for (int k = 0; k < 5; ++k) Text();
    }
    return ok_;
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
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<size_t>(st.st_size) > kMagic.size()) {
    void* map = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      data_ = static_cast<const char*>(map);
      size_ = static_cast<size_t>(st.st_size);
    }
  }
  close(fd);
  if (!data_ || std::string_view(data_, kMagic.size()) != kMagic) return;
  Reader in(data_, size_, kMagic.size());
  while (!in.AtEnd()) {
    const std::string_view path = in.Text();
    const size_t at = in.pos();
    if (!in.SkipEntry()) break;
    entries_[path] = at;
  }
}

TPageCacheReader::~TPageCacheReader() {
  if (data_) munmap(const_cast<char*>(data_), size_);
}

bool TPageCacheReader::Find(const std::string& path, int64_t size, int64_t mtime,
                            const std::string& anchors, CachedPage* page) const {
  auto it = entries_.find(path);
  if (it == entries_.end()) return false;
  Reader in(data_, size_, it->second);
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

TPageCacheWriter::TPageCacheWriter(std::string file) : file_(std::move(file)) {
  if (file_.empty()) return;
  temp_ = file_ + ".XXXXXX";
  fd_ = mkstemp(temp_.data());
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  ok_ = true;
  out_ = kMagic;
}

TPageCacheWriter::~TPageCacheWriter() {
  if (fd_ >= 0) {
    close(fd_);
    unlink(temp_.c_str());
  }
}

void TPageCacheWriter::Add(const std::string& path, const CachedPage& page) {
  if (!ok_) return;
  PutText(out_, path);
  PutU64(out_, static_cast<uint64_t>(page.size));
  PutU64(out_, static_cast<uint64_t>(page.mtime));
  PutText(out_, page.anchors);
  PutU64(out_, page.text.sections.size());
  for (const TextSection& s : page.text.sections) {
    for (const std::string* t : {&s.anchor, &s.title, &s.excerpt, &s.titleWords, &s.bodyWords}) {
      PutText(out_, *t);
    }
  }
  if (out_.size() >= (4u << 20)) Drain();
}

void TPageCacheWriter::Drain() {
  for (size_t done = 0; ok_ && done < out_.size();) {
    const ssize_t n = write(fd_, out_.data() + done, out_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok_ = false;
      error_ = n < 0 ? errno : ENOSPC;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  out_.clear();
}

std::string TPageCacheWriter::Commit() {
  if (file_.empty()) return std::string();
  if (ok_) Drain();
  if (fd_ >= 0 && close(fd_) != 0 && ok_) {
    ok_ = false;
    error_ = errno;
  }
  fd_ = -1;
  if (ok_ && rename(temp_.c_str(), file_.c_str()) != 0) {
    ok_ = false;
    error_ = errno;
  }
  if (!ok_) {
    if (!temp_.empty()) unlink(temp_.c_str());
    return "Cannot write " + file_ + ": " + std::strerror(error_);
  }
  return std::string();
}

}  // namespace lexidor::fulltext
