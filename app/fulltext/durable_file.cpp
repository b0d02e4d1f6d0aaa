#include "app/fulltext/durable_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lexidor::fulltext {

int CreateAndWrite(const std::string& path, std::string_view content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  for (size_t done = 0; done < content.size();) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int reason = n < 0 ? errno : ENOSPC;
      close(fd);
      unlink(path.c_str());
      errno = reason;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return fd;
}

int SyncAndClose(int fd) {
  int reason = fsync(fd) == 0 ? 0 : errno;
  if (close(fd) != 0 && reason == 0) reason = errno;
  return reason;
}

namespace {

// Opens the plain file `path` for reading (a symbolic link, a folder or a
// pipe is refused) and gives its status; -1 when it is not one.
int OpenPlainFile(const std::string& path, struct stat* st) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads `size` bytes from `fd` into `content`; false when the file ends
// before them or cannot be read.
bool ReadExactly(int fd, size_t size, std::string* content) {
  content->assign(size, '\0');
  for (size_t done = 0; done < size;) {
    const ssize_t n = read(fd, content->data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool FileHolds(const std::string& path, const std::string& bytes) {
  struct stat st;
  const int fd = OpenPlainFile(path, &st);
  if (fd < 0) return false;
  std::string held;
  const bool same = st.st_nlink == 1 && static_cast<uint64_t>(st.st_size) == bytes.size() &&
                    ReadExactly(fd, bytes.size(), &held) && held == bytes;
  close(fd);
  return same;
}

bool ReadWholeFile(const std::string& path, uint64_t largest, std::string* content) {
  content->clear();
  struct stat st;
  const int fd = OpenPlainFile(path, &st);
  if (fd < 0) return false;
  const bool ok = static_cast<uint64_t>(st.st_size) <= largest &&
                  ReadExactly(fd, static_cast<size_t>(st.st_size), content);
  close(fd);
  return ok;
}

}  // namespace lexidor::fulltext
