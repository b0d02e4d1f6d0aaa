#include "app/generation_reuse.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lexidor {

namespace {

// The start of first.js that names the folder: `folder:"<name>/"`.
constexpr char kFolderField[] = "folder:\"";
constexpr size_t kFirstBytes = 512;
constexpr char kGenerationStart[] = "lexidor-index-";

// A generation's name as TGeneration makes it: the start, then the
// process id and a token in hexadecimal digits.
bool IsGenerationName(const std::string& name) {
  const size_t start = sizeof(kGenerationStart) - 1;
  if (name.size() <= start || name.compare(0, start, kGenerationStart) != 0) return false;
  for (size_t i = start; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-')) return false;
  }
  return true;
}

// All `size` bytes at `offset`; false when fewer could be read.
bool ReadAt(int fd, char* out, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

TPreviousGeneration::TPreviousGeneration(const std::string& modulesDir) {
  modules_ = open(modulesDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (modules_ < 0) return;
  const int first = openat(modules_, "first.js", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (first < 0) return;
  struct stat st;
  char head[kFirstBytes];
  ssize_t n = -1;
  if (fstat(first, &st) == 0 && S_ISREG(st.st_mode)) {
    do {
      n = pread(first, head, sizeof head, 0);
    } while (n < 0 && errno == EINTR);
  }
  close(first);
  if (n <= 0) return;
  const std::string text(head, static_cast<size_t>(n));
  const size_t at = text.find(kFolderField);
  if (at == std::string::npos) return;
  const size_t from = at + sizeof(kFolderField) - 1;
  const size_t end = text.find("/\"", from);
  if (end == std::string::npos) return;
  const std::string name = text.substr(from, end - from);
  if (!IsGenerationName(name)) return;
  folder_ = openat(modules_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder_ >= 0 && (fstat(folder_, &st) != 0 || st.st_uid != geteuid())) {
    close(folder_);
    folder_ = -1;
  }
}

TPreviousGeneration::~TPreviousGeneration() {
  if (folder_ >= 0) close(folder_);
  if (modules_ >= 0) close(modules_);
}

int TPreviousGeneration::Open(const std::string& name, bool fixedName, bool* inPlace) const {
  *inPlace = false;
  if (folder_ < 0) return -1;
  const int fd = openat(folder_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st, twin;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
  // Its names: this one and, for a file of fixed name, that one when it is
  // the same file.  Any other is a link this build knows nothing of.
  nlink_t names = 1;
  if (ok && fixedName && fstatat(modules_, name.c_str(), &twin, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(twin.st_mode) && twin.st_dev == st.st_dev && twin.st_ino == st.st_ino) {
    names = 2;
  }
  if (!ok || st.st_nlink != names) {
    close(fd);
    return -1;
  }
  *inPlace = names == 2;
  return fd;
}

TMatchedFile::TMatchedFile(TNewFile& file, std::string path, int previous)
    : file_(file), path_(std::move(path)), previous_(previous) {
  struct stat st;
  if (previous_ >= 0 && fstat(previous_, &st) == 0) {
    size_ = static_cast<uint64_t>(st.st_size);
  } else {
    ClosePrevious();
  }
}

TMatchedFile::~TMatchedFile() { ClosePrevious(); }

void TMatchedFile::ClosePrevious() {
  if (previous_ >= 0) close(previous_);
  previous_ = -1;
}

int TMatchedFile::Open() { return previous_ >= 0 ? 0 : file_.Create(path_); }

int TMatchedFile::Write(std::string_view bytes) {
  if (previous_ >= 0) {
    if (matched_ + bytes.size() <= size_) {
      read_.resize(bytes.size());
      if (ReadAt(previous_, read_.data(), bytes.size(), matched_) &&
          std::memcmp(read_.data(), bytes.data(), bytes.size()) == 0) {
        matched_ += bytes.size();
        return 0;
      }
    }
    if (int error = Diverge()) return error;
  }
  return file_.Write(bytes);
}

int TMatchedFile::Diverge() {
  int error = file_.Create(path_);
  constexpr size_t kPiece = 1 << 20;
  read_.resize(kPiece);
  for (uint64_t done = 0; !error && done < matched_;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(kPiece, matched_ - done));
    error = ReadAt(previous_, read_.data(), piece, done) ? 0 : EIO;
    if (!error) error = file_.Write(std::string_view(read_.data(), piece));
    done += piece;
  }
  ClosePrevious();
  read_ = std::string();
  return error;
}

int TMatchedFile::Finish() {
  // Matched to its end, as long as it is now.
  struct stat st;
  if (previous_ >= 0 && matched_ == size_ && fstat(previous_, &st) == 0 &&
      static_cast<uint64_t>(st.st_size) == size_ && fsync(previous_) == 0) {
    // The very file compared, by its descriptor: not whatever its name
    // leads to by now.  Registered first, so that a signal removes it.
    TMaking making;
    if (!making) return ECANCELED;
    file_.Adopt(path_);
    const std::string self = "/proc/self/fd/" + std::to_string(previous_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      linked_ = true;
      ClosePrevious();
      return 0;
    }
    file_.Release();  // not made: written below instead
  }
  if (previous_ >= 0) {
    if (int error = Diverge()) return error;
  }
  return file_.Finish();
}

}  // namespace lexidor
