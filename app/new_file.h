// Creating files the program writes, safely in folders others may share.
//
// A new file is created with O_CREAT|O_EXCL|O_NOFOLLOW, so it is never a file
// or link that was already there; it is synced to the disk before it is
// kept.  Until it is kept, its path stands in a table that the handlers of
// SIGINT and SIGTERM empty (RemoveUnkeptFiles), so an interrupted build
// leaves nothing behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/string.h"

namespace lexidor {

// The bytes of `path` for the C library: false when it holds a NUL or a
// character above U+00FF, which no byte path can name.  No "\" or "::" is
// interpreted: the path is taken exactly as it stands.
bool PathBytes(const String& path, std::string& out);

// 16 hexadecimal digits from the kernel's random source: names that no one
// can guess before they exist.
std::string RandomToken();

// ".lexidor-<pid>-<token>-": the start of every temporary name this process
// makes, so that a later build can tell the leftovers of a build that is
// gone (LeftoverOwner).
std::string TemporaryPrefix();
// The process id of the build that made `name` when it is a temporary name
// of this program (TemporaryPrefix, or the older "<name>.tmp-<pid>" form),
// else 0.
pid_t LeftoverOwner(const std::string& name);
// True when process `pid` still runs.
bool ProcessAlive(pid_t pid);

// The whole content of the file at byte path `path`; false when it cannot
// be read.
bool ReadWholeFile(const std::string& path, std::string* out);

// fsync of a folder, so that the names renamed or created in it last.
// 0, or the errno of the failure.
int SyncDirectory(const std::string& directory);

// The names in the folder at byte path `path` ("." and ".." among them);
// none when it cannot be read.
std::vector<std::string> FolderNames(const std::string& path);

// The folder part of a byte path ("." for a bare name) and the name part.
std::string DirectoryOf(const std::string& path);
std::string NameOf(const std::string& path);

// A file created new at an exact path.  Removed by the destructor (and by
// RemoveUnkeptFiles) unless Keep() was called.
class TNewFile {
 public:
  TNewFile() = default;
  ~TNewFile();
  TNewFile(const TNewFile&) = delete;
  TNewFile& operator=(const TNewFile&) = delete;

  // Creates `path` (mode 0644 reduced by the umask).  0, or the errno.
  int Create(const std::string& path);
  // Takes on `path`, which the caller creates itself (a hard link), as
  // this object's file, to be removed unless kept.
  void Adopt(const std::string& path);
  // Writes all of `bytes`, going on after short writes.  0, or the errno
  // (EIO for a write that makes no progress).
  int Write(std::string_view bytes);
  // Syncs and closes.  0, or the errno of the first failure.
  int Finish();
  // From now on the file is the caller's: neither the destructor nor the
  // signal handlers remove it.
  void Keep();
  // Forgets the file without removing it (it has been renamed away).
  void Release() { Keep(); }
  const std::string& Path() const { return path_; }
  bool IsOpen() const { return fd_ >= 0; }

 private:
  std::string path_;
  int fd_ = -1;
  int slot_ = -1;
  bool owned_ = false;
};

// Stands while this thread makes a file the signal handlers must find
// (created, or linked after Adopt): a handler that comes meanwhile on
// another thread waits for it before it removes the files.  False (make
// nothing) once a handler has begun.  TNewFile::Create holds one itself.
class TMaking {
 public:
  TMaking();
  ~TMaking();
  TMaking(const TMaking&) = delete;
  TMaking& operator=(const TMaking&) = delete;
  explicit operator bool() const { return ok_; }

 private:
  bool ok_;
};

// Copies the bytes of file `from` (not followed if a link) into `to`,
// which is open.  0, or the errno.
int CopyFileInto(const std::string& from, TNewFile& to);

// Registers a folder made by this build: the signal handlers remove it
// (once empty) unless UnregisterFolder was called.  -1 when the table is full.
int RegisterFolder(const std::string& path);
void UnregisterFolder(int slot);

// Async-signal-safe: removes every file not yet kept, then the registered
// folders.  Called from the handlers of SIGINT and SIGTERM before the
// program ends.
void RemoveUnkeptFiles();

}  // namespace lexidor
