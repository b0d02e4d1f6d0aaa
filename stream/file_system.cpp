#include "stream/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "stream/stream.h"

namespace lexidor {

struct TDirectoryListing {
  DIR* dir;
};

namespace {

// New directories: read, write and search for everyone plus the sticky bit,
// reduced by the umask.
constexpr mode_t kDirectoryMode = 01777;

// The byte form of `path` for the C library.  False when the path holds a
// NUL or a character above U+00FF: dropping its high bits could turn it into
// "/" or "." and name another file, and a NUL would cut the path short.
bool ToCPath(const String& path, std::string& out) {
  for (char16_t c : path) {
    if (c == 0 || c > 0xFF) return false;
  }
  out = ToLatin1(path);
  return true;
}

bool StatPath(const String& path, struct stat& st) {
  std::string c;
  return ToCPath(path, c) && stat(c.c_str(), &st) == 0;
}

String Normalized(String path, int strip) {
  NormalizePath(path, strip);
  return path;
}

// The file stream's own spelling of a plain path: it turns "\" into "/".
String StreamPath(const String& url) { return ReplaceAll(url, u"\\", u"/"); }

bool IsUrlWithProtocol(const String& url) { return Find(url, u"::") >= 0; }

// Copies everything from `source` to `target` and closes both, the target
// first.  0 when writing failed, including data that stdio still held and
// could not flush at the end.
int CopyAndClose(TStream& source, TStream& target) {
  int result = 1;
  try {
    CopyUntilEnd(source, target, 4096);
  } catch (const TStreamWriteException&) {
    result = 0;
  }
  // The last block may still sit in the stdio buffer; a failure to write it
  // (a full disk) shows only here, and the file stream's Flush does not
  // report it.
  if (auto* file = dynamic_cast<TCStream*>(&target)) {
    if (file->_cstream && std::fflush(file->_cstream) != 0) result = 0;
  }
  target.Close();
  source.Close();
  return result;
}

// Checks made before a copy between plain paths: the source must not be a
// directory, and source and target must not be the same file (opening the
// target would truncate the source).  `resolve_case` also looks for the
// source the way a read-only file open does when the exact name is missing.
bool SafeToCopy(const String& from, const String& to, bool resolve_case) {
  struct stat from_st;
  String source = StreamPath(from);
  bool found = StatPath(source, from_st);
  if (!found && resolve_case) {
    String resolved = ResolvePathCase(source);
    found = !resolved.empty() && StatPath(resolved, from_st);
  }
  if (!found) return true;  // the open below fails and reports it
  if (S_ISDIR(from_st.st_mode)) return false;
  struct stat to_st;
  if (StatPath(StreamPath(to), to_st) && to_st.st_dev == from_st.st_dev &&
      to_st.st_ino == from_st.st_ino) {
    return false;
  }
  return true;
}

struct FileId {
  dev_t dev;
  ino_t ino;
  bool operator==(const FileId& o) const { return dev == o.dev && ino == o.ino; }
};

// The tree walks below work on the C library's byte paths.  A name read
// from a directory is a name: it is joined to its directory as it stands and
// never read again as path text, so an entry called "..\\x" stays one entry
// of this tree and cannot turn into "../x".
std::string JoinBytes(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

// The entries of `directory` other than "." and "..", or false when it
// cannot be listed.
bool ListNames(const std::string& directory, std::vector<std::string>& names) {
  DIR* dir = opendir(directory.c_str());
  if (!dir) return false;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  closedir(dir);
  return true;
}

bool IdOfBytes(const std::string& path, FileId& id) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  id = FileId{st.st_dev, st.st_ino};
  return true;
}

// Copies one regular file of a tree.  The target must not be the source
// itself: opening it for writing would empty both.
int CopyFileBytes(const std::string& from, const std::string& to, const FileId& from_id) {
  FileId to_id;
  if (IdOfBytes(to, to_id) && to_id == from_id) return 0;
  FILE* in = std::fopen(from.c_str(), "rbe");
  if (!in) return 0;
  StreamRef source = TCStream::CreateWithCStream(in, TCStream::MODE_READ);
  // O_NOFOLLOW: a link put in the file's place meanwhile is not followed.
  const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (!out) {
    if (fd >= 0) close(fd);
    return 0;  // releasing `source` closes it
  }
  StreamRef target = TCStream::CreateWithCStream(out, TCStream::MODE_WRITE);
  return CopyAndClose(*source, *target);
}

// One level of DuplicateDirectory.  `chain` holds the source directories
// being copied above this one, `target_root` the top of the copy: meeting
// either again means a link leads the tree back into itself, which would
// never end.  Links are followed as the files and directories they show.
int CopyTree(const std::string& from, const std::string& to, std::vector<FileId>& chain,
             const FileId* target_root) {
  FileId id;
  if (!IdOfBytes(from, id)) return 0;
  for (const FileId& above : chain) {
    if (above == id) return 0;
  }
  if (target_root && *target_root == id) return 0;

  struct stat st;
  if (stat(to.c_str(), &st) != 0) {
    mkdir(to.c_str(), kDirectoryMode);
    if (stat(to.c_str(), &st) != 0) return 0;
  }
  if (!S_ISDIR(st.st_mode)) return 0;
  FileId root_id;
  if (!target_root) {
    root_id = FileId{st.st_dev, st.st_ino};
    if (root_id == id) return 0;
    target_root = &root_id;
  }

  std::vector<std::string> names;
  if (!ListNames(from, names)) return 0;
  chain.push_back(id);
  int result = 1;
  for (const std::string& name : names) {
    std::string source = JoinBytes(from, name);
    std::string target = JoinBytes(to, name);
    struct stat est;
    if (stat(source.c_str(), &est) != 0) continue;  // a dangling link
    // A link in the target may lead anywhere, out of the tree: it is never
    // written through.
    struct stat tst;
    if (lstat(target.c_str(), &tst) == 0 && S_ISLNK(tst.st_mode)) {
      result = 0;
      break;
    }
    if (S_ISDIR(est.st_mode)) {
      result = CopyTree(source, target, chain, target_root);
    } else if (S_ISREG(est.st_mode)) {
      result = CopyFileBytes(source, target, FileId{est.st_dev, est.st_ino});
    }
    if (!result) break;
  }
  chain.pop_back();
  return result;
}

}  // namespace

int RemoveTree(const std::string& path) {
  std::vector<std::string> names;
  if (!ListNames(path, names)) return 0;
  for (const std::string& name : names) {
    std::string entry = JoinBytes(path, name);
    struct stat st;
    if (lstat(entry.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      RemoveTree(entry);
    } else {
      unlink(entry.c_str());
    }
  }
  return rmdir(path.c_str()) == 0 || errno == ENOENT ? 1 : 0;
}

// --- Path text ---------------------------------------------------------------

void NormalizePath(String& path, int strip) {
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  if (strip && path.size() > 1 && path.back() == u'/') path.pop_back();
}

String PathRootPrefix(const String& path) {
  return StartsWith(path, u"/") ? String(u"/") : String();
}

int PathIsRoot(const String& path) {
  String p = Normalized(path, 0);
  return !p.empty() && p == PathRootPrefix(p) ? 1 : 0;
}

int PathIsAbsolute(const String& path) {
  return PathRootPrefix(Normalized(path, 0)).empty() ? 0 : 1;
}

String PathFileName(const String& path) {
  String p = Normalized(path, 0);
  int slash = FindLast(p, u"/");
  return slash < 0 ? p : p.substr(static_cast<size_t>(slash) + 1);
}

String PathWithoutExtension(const String& path) {
  String p = Normalized(path, 0);
  int dot = FindLast(p, u".");
  if (dot < 0 || Find(p, u"/", dot) >= 0) return p;
  return p.substr(0, static_cast<size_t>(dot));
}

String PathBareName(const String& path) { return PathFileName(PathWithoutExtension(path)); }

String PathWithoutTrailingSlash(const String& path) { return Normalized(path, 1); }

String PathDirectory(const String& path) {
  String p = Normalized(path, 0);
  if (p == u"." || p == u".." || p == u"/") return p;
  int slash = FindLast(p, u"/");
  if (slash < 0) return String();
  if (slash == 0) return u"/";
  return p.substr(0, static_cast<size_t>(slash));
}

String PathExtension(const String& path) {
  String p = Normalized(path, 0);
  int dot = FindLast(p, u".");
  if (dot < 0 || Find(p, u"/", dot) >= 0) return String();
  return p.substr(static_cast<size_t>(dot) + 1);
}

String WorkingDirectory() {
  // No fixed limit: a deep working directory is still a working directory.
  std::string buffer(1024, '\0');
  while (!getcwd(&buffer[0], buffer.size())) {
    if (errno != ERANGE) return String();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return Normalized(FromLatin1(buffer), 0);
}

String AbsolutePath(const String& path) {
  String p = Normalized(path, 0);
  String result = PathRootPrefix(p);
  String rest;
  if (!result.empty()) {
    rest = p.substr(result.size());
  } else {
    result = WorkingDirectory();
    rest = p;
  }
  rest += u"/";
  size_t start = 0;
  for (size_t slash = rest.find(u'/'); slash != String::npos;
       start = slash + 1, slash = rest.find(u'/', start)) {
    String segment = rest.substr(start, slash - start);
    if (segment.empty() || segment == u".") continue;
    if (segment == u"..") {
      if (result == u"/") continue;
      int last = FindLast(result, u"/");
      if (last >= 0) {
        // Cutting the only segment of an absolute path leaves the root.
        result.resize(static_cast<size_t>(last == 0 ? 1 : last));
      } else {
        result.clear();  // only without a working directory to start from
      }
      continue;
    }
    if (!result.empty() && result.back() != u'/') result += u"/";
    result += segment;
  }
  return result;
}

// --- Kinds and attributes ----------------------------------------------------

int PathKind(const String& path) {
  struct stat st;
  if (!StatPath(Normalized(path, 0), st)) return PATH_NONE;
  if (S_ISREG(st.st_mode)) return PATH_FILE;
  if (S_ISDIR(st.st_mode)) return PATH_DIRECTORY;
  return PATH_NONE;
}

int64_t PathModifiedTime(const String& path) {
  struct stat st;
  if (!StatPath(Normalized(path, 0), st)) return 0;
  return static_cast<int64_t>(st.st_mtime);
}

int32_t PathSize(const String& path) {
  struct stat st;
  if (!StatPath(Normalized(path, 0), st)) return -1;
  if (st.st_size > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(st.st_size);
}

int PathPermissions(const String& path) {
  struct stat st;
  if (!StatPath(Normalized(path, 0), st)) return -1;
  return static_cast<int>(st.st_mode & 0x1FF);
}

void SetPathPermissions(const String& path, int mode) {
  std::string c;
  if (ToCPath(Normalized(path, 0), c)) chmod(c.c_str(), static_cast<mode_t>(mode));
}

// --- Creating, removing, moving, copying -------------------------------------

int CreateEmptyFile(const String& path) {
  String p = Normalized(path, 0);
  std::string c;
  if (!ToCPath(p, c)) return 0;
  // remove() would take an empty directory with it: a file is not made by
  // deleting a directory.
  if (PathKind(p) == PATH_DIRECTORY) return 0;
  std::remove(c.c_str());
  if (FILE* f = std::fopen(c.c_str(), "wbe")) std::fclose(f);
  return PathKind(p) == PATH_FILE ? 1 : 0;
}

int MakeDirectory(const String& path, int recurse) {
  String p = Normalized(path, 1);
  std::string c;
  if (!recurse) {
    if (ToCPath(p, c)) mkdir(c.c_str(), kDirectoryMode);
    return PathKind(p) == PATH_DIRECTORY ? 1 : 0;
  }
  // Walk down from the top, one level at a time, so that a file in the way
  // stops the walk before anything below it is created.
  String full = AbsolutePath(p) + u"/";
  for (size_t slash = full.find(u'/'); slash != String::npos; slash = full.find(u'/', slash + 1)) {
    String prefix = full.substr(0, slash + 1);
    if (prefix != u"/") prefix.pop_back();
    if (prefix.empty()) continue;
    int kind = PathKind(prefix);
    if (kind == PATH_DIRECTORY) continue;
    if (kind == PATH_FILE) return 0;
    if (!ToCPath(prefix, c)) return 0;
    mkdir(c.c_str(), kDirectoryMode);
    if (PathKind(prefix) != PATH_DIRECTORY) return 0;
  }
  return 1;
}

int RemoveFile(const String& path) {
  std::string c;
  // A path that no file can have names nothing to remove.
  if (!ToCPath(Normalized(path, 0), c)) return 1;
  // Judged by the C library's answer, not by looking afterwards: "f.txt/"
  // cannot be looked up either, yet the file is still there.
  if (std::remove(c.c_str()) == 0) return 1;
  return errno == ENOENT ? 1 : 0;
}

int MovePath(const String& from, const String& to) {
  std::string f, t;
  if (!ToCPath(Normalized(from, 0), f) || !ToCPath(Normalized(to, 0), t)) return 0;
  return std::rename(f.c_str(), t.c_str()) == 0 ? 1 : 0;
}

int DuplicateFile(const String& from, const String& to) {
  // Plain paths are checked before the target is opened (and so truncated).
  // Urls with a protocol are not files on disk and go to their factories.
  if (!IsUrlWithProtocol(from) && !IsUrlWithProtocol(to)) {
    std::string unused;
    if (!ToCPath(from, unused) || !ToCPath(to, unused)) return 0;
    if (!SafeToCopy(from, to, true)) return 0;
  }
  StreamRef source = OpenUrlForReading(from);
  if (!source) return 0;
  StreamRef target = OpenUrlForWriting(to);
  if (!target) {
    source->Close();
    return 0;
  }
  // Exceptions other than a failed write pass on; releasing the two
  // references on the way out closes both streams.
  return CopyAndClose(*source, *target);
}

int DuplicateDirectory(const String& from, const String& to) {
  String f = Normalized(from, 0);
  if (PathKind(f) != PATH_DIRECTORY) return 0;
  String t = Normalized(to, 0);
  // A copy into the tree being copied would keep finding itself.
  String abs_from = AbsolutePath(f);
  String abs_to = AbsolutePath(t);
  if (abs_to == abs_from || StartsWith(abs_to, abs_from == u"/" ? abs_from : abs_from + u"/")) {
    return 0;
  }
  std::string f_bytes, t_bytes;
  if (!ToCPath(f, f_bytes) || !ToCPath(t, t_bytes)) return 0;
  std::vector<FileId> chain;
  return CopyTree(f_bytes, t_bytes, chain, nullptr);
}

int RemoveDirectory(const String& path, int recurse) {
  String p = Normalized(path, 1);
  std::string c;
  if (!ToCPath(p, c)) return recurse ? 0 : 1;  // as for a missing directory
  struct stat st;
  bool is_link = lstat(c.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  // A link to a directory is not emptied: what it points to is not part of
  // this tree.  rmdir below then fails on the link and reports 0.
  if (recurse && !is_link) return RemoveTree(c);
  rmdir(c.c_str());
  return PathKind(p) == PATH_NONE ? 1 : 0;
}

int ChangeDirectory(const String& path) {
  std::string c;
  if (!ToCPath(Normalized(path, 1), c)) return 0;
  return chdir(c.c_str()) == 0 ? 1 : 0;
}

// --- Directory listings ------------------------------------------------------

DirectoryHandle OpenDirectoryListing(const String& path) {
  std::string c;
  if (!ToCPath(Normalized(path, 1), c)) return nullptr;
  DIR* dir = opendir(c.c_str());
  if (!dir) return nullptr;
  return new TDirectoryListing{dir};
}

String NextDirectoryEntry(DirectoryHandle handle) {
  if (!handle) return String();
  dirent* entry = readdir(handle->dir);
  return entry ? FromLatin1(entry->d_name) : String();
}

int CloseDirectoryListing(DirectoryHandle handle) {
  if (!handle) return 0;
  closedir(handle->dir);
  delete handle;
  return 0;
}

std::vector<String> ListDirectory(const String& path, int skip_dots) {
  std::vector<String> names;
  DirectoryHandle listing = OpenDirectoryListing(path);
  if (!listing) return names;
  for (String name = NextDirectoryEntry(listing); !name.empty();
       name = NextDirectoryEntry(listing)) {
    if (skip_dots && (name == u"." || name == u"..")) continue;
    names.push_back(std::move(name));
  }
  CloseDirectoryListing(listing);
  return names;
}

}  // namespace lexidor
