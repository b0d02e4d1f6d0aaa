#include "app/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stream/text_file.h"

namespace lexidor {

TAtomicFile::TAtomicFile(String target) : target_(std::move(target)) {
  target_ = ReplaceAll(target_, u"\\", u"/");
  // Beside the target, so the rename never crosses file systems; the process
  // id keeps two builds from sharing one.
  temp_ = target_ + u".tmp-" + IntToString(getpid());
}

TAtomicFile::~TAtomicFile() {
  if (stream_) stream_->Close();
  if (!committed_) std::remove(ToLatin1(temp_).c_str());
}

void TAtomicFile::SetError(int error_number) {
  error_ = u"Cannot write " + target_ + u": " + FromUtf8(std::strerror(error_number));
}

bool TAtomicFile::Open() {
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
  if (std::rename(ToLatin1(temp_).c_str(), ToLatin1(target_).c_str()) != 0) {
    SetError(errno);
    return false;
  }
  committed_ = true;
  return true;
}

String SaveTextFileAtomically(const String& text, const String& target) {
  TAtomicFile file(target);
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
