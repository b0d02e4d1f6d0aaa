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

bool FileHolds(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
              static_cast<uint64_t>(st.st_size) == bytes.size();
  std::string held(same ? bytes.size() : 0, '\0');
  for (size_t done = 0; same && done < held.size();) {
    const ssize_t n = read(fd, held.data() + done, held.size() - done);
    if (n < 0 && errno == EINTR) continue;
    same = n > 0;
    if (same) done += static_cast<size_t>(n);
  }
  close(fd);
  return same && held == bytes;
}

bool ReadWholeFile(const std::string& path, uint64_t largest, std::string* content) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok =
      fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= largest;
  content->clear();
  if (ok) content->resize(static_cast<size_t>(st.st_size));
  for (size_t done = 0; ok && done < content->size();) {
    const ssize_t n = read(fd, content->data() + done, content->size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  close(fd);
  return ok;
}

}  // namespace lexidor::fulltext
