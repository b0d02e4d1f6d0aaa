#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/link_rule.h"

namespace lexidor {

TAtomicFile::TAtomicFile(String target) : target_(std::move(target)) {}

void TAtomicFile::Fail(int error_number) {
  if (!error_.empty()) return;  // the first failure is the one to tell
  error_ = u"Cannot write " + target_ + u": " + FromUtf8(std::strerror(error_number));
}

bool TAtomicFile::Prepare() {
  std::string path;
  if (!PathBytes(target_, path)) {
    Fail(EINVAL);
    return false;
  }
  std::string refused;
  if (!FollowTrustedLinks(path, &file_, &refused)) {
    error_ = u"Cannot write " + target_ + u": " + FromLatin1(refused) +
             u" is a symbolic link that belongs to another user; not followed";
    return false;
  }
  // Renaming over a file the user may not write would overrule its owner's
  // choice: such a file is refused as if it were written in place.
  if (access(file_.c_str(), W_OK) != 0 && errno != ENOENT) {
    Fail(errno);
    return false;
  }
  return true;
}

bool TAtomicFile::Open() {
  if (!Prepare()) return false;
  const std::string dir = DirectoryOf(file_);
  int error = EEXIST;
  for (int tries = 0; tries < 8 && error == EEXIST; ++tries) {
    error = temp_.Create(dir + "/" + TemporaryPrefix() + NameOf(file_));
  }
  if (error == 0) return true;
  if (inPlaceAllowed_ && (error == EACCES || error == EPERM)) {
    // O_NOFOLLOW: the file was checked above, and a link put in its place
    // since is not followed.  Not truncated until the new text is in.
    inPlaceFd_ = open(file_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (inPlaceFd_ >= 0) {
      inPlace_ = true;
      return true;
    }
    error = errno;
  }
  Fail(error);
  return false;
}

bool TAtomicFile::OpenAsCopyOf(const std::string& existing) {
  if (!Prepare()) return false;
  const std::string temp = DirectoryOf(file_) + "/" + TemporaryPrefix() + NameOf(file_);
  // Registered before it exists, so that it goes on failure or a signal.
  {
    TMaking making;
    if (making) {
      temp_.Adopt(temp);
      if (link(existing.c_str(), temp.c_str()) == 0) {
        finished_ = true;
        return true;
      }
      temp_.Release();
    }
  }
  int error = temp_.Create(temp);
  if (error == 0) error = CopyFileInto(existing, temp_);
  if (error) Fail(error);
  return error_.empty();
}

bool TAtomicFile::Write(std::string_view bytes) {
  if (!error_.empty()) return false;
  int error = 0;
  if (inPlace_) {
    for (const char* p = bytes.data(); !error && p != bytes.data() + bytes.size();) {
      ssize_t n = write(inPlaceFd_, p, static_cast<size_t>(bytes.data() + bytes.size() - p));
      if (n < 0 && errno == EINTR) continue;
      error = n < 0 ? errno : n == 0 ? EIO : 0;
      if (n > 0) p += n;
    }
  } else {
    error = temp_.Write(bytes);
  }
  if (error) Fail(error);
  return error == 0;
}

bool TAtomicFile::Finish() {
  if (finished_) return error_.empty();
  finished_ = true;
  int error = 0;
  if (inPlace_) {
    const off_t end = lseek(inPlaceFd_, 0, SEEK_CUR);
    if (end < 0 || ftruncate(inPlaceFd_, end) != 0 || fsync(inPlaceFd_) != 0) error = errno;
    if (close(inPlaceFd_) != 0 && !error) error = errno;
    inPlaceFd_ = -1;
  } else if (temp_.IsOpen()) {
    error = temp_.Finish();
  } else if (error_.empty()) {
    error = EBADF;  // never opened
  }
  if (error) Fail(error);
  return error_.empty();
}

int TAtomicFile::Rename() {
  if (!Finish()) return EIO;
  if (inPlace_) return 0;
  // The new file keeps the permissions of the one it replaces.
  struct stat st;
  if (stat(file_.c_str(), &st) == 0) chmod(TempPath().c_str(), st.st_mode & 07777);
  if (std::rename(TempPath().c_str(), file_.c_str()) != 0) {
    const int error = errno;
    Fail(error);
    return error;
  }
  temp_.Release();
  return 0;
}

bool TAtomicFile::Commit() {
  if (Rename() != 0) return false;
  if (!inPlace_) {
    if (int error = SyncDirectory(DirectoryOf(file_))) Fail(error);
  }
  return error_.empty();
}

std::string TextFileBytes(const String& text) {
  bool wide = false;
  for (char16_t c : text) wide |= c > 0xFF;
  if (!wide) return ToLatin1(text);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

String SaveTextFileAtomically(const String& text, const String& target) {
  TAtomicFile file(target);
  if (file.Open() && file.Write(TextFileBytes(text))) file.Commit();
  return file.Error();
}

}  // namespace lexidor
