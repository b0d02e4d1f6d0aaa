#include "app/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stream/text_file.h"

namespace lexidor {

namespace {

// The file that `path` names once symbolic links are followed: the link's
// target is replaced, never the link.  A dangling link names the file it
// would point to.  A loop of links gives the path reached when giving up,
// which the write then fails on.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string target(4096, '\0');
    ssize_t n = readlink(path.c_str(), &target[0], target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) break;
    target.resize(static_cast<size_t>(n));
    if (target[0] != '/') {
      const size_t slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  return path;
}

}  // namespace

TAtomicFile::TAtomicFile(String target) : target_(std::move(target)) {
  target_ = ReplaceAll(target_, u"\\", u"/");
  file_ = FromLatin1(FollowLinks(ToLatin1(target_)));
  // Beside the file, so the rename never crosses file systems; the process
  // id keeps two builds from sharing one.
  temp_ = file_ + u".tmp-" + IntToString(getpid());
}

TAtomicFile::~TAtomicFile() {
  if (stream_) stream_->Close();
  if (!committed_) std::remove(ToLatin1(temp_).c_str());
}

void TAtomicFile::SetError(int error_number) {
  error_ = u"Cannot write " + target_ + u": " + FromUtf8(std::strerror(error_number));
}

bool TAtomicFile::CheckWritable() {
  // Renaming over a file the user may not write would overrule its owner's
  // choice: such a file is refused as if it were written in place.
  if (access(ToLatin1(file_).c_str(), W_OK) != 0 && errno != ENOENT) {
    SetError(errno);
    return false;
  }
  return true;
}

bool TAtomicFile::Open() {
  if (!CheckWritable()) return false;
  errno = 0;
  stream_ = OpenFileForWriting(temp_);
  if (!stream_) {
    SetError(errno ? errno : EIO);
    return false;
  }
  return true;
}

void TAtomicFile::Fail() { SetError(errno ? errno : EIO); }

bool TAtomicFile::Finish() {
  if (!stream_) return error_.empty();  // (a missing file fails the rename)
  errno = 0;
  int closed = stream_->Close();
  stream_.reset();
  if (closed != 0) {
    SetError(errno ? errno : EIO);
    return false;
  }
  return error_.empty();
}

bool TAtomicFile::Commit() {
  if (!Finish()) return false;
  const std::string file = ToLatin1(file_);
  const std::string temp = ToLatin1(temp_);
  // The new file keeps the permissions of the one it replaces.
  struct stat st;
  if (stat(file.c_str(), &st) == 0) chmod(temp.c_str(), st.st_mode & 07777);
  if (std::rename(temp.c_str(), file.c_str()) != 0) {
    SetError(errno);
    return false;
  }
  committed_ = true;
  return true;
}

String SaveTextFileAtomically(const String& text, const String& target) {
  TAtomicFile file(target);
  if (!file.CheckWritable()) return file.Error();
  errno = 0;
  try {
    SaveTextFile(text, file.TempPath());
  } catch (const TStreamWriteException&) {
    file.Fail();
    return file.Error();
  }
  file.Commit();
  return file.Error();
}

}  // namespace lexidor
