#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stream/stream.h"

namespace lexidor {

std::shared_ptr<TCStream> TCStream::CreateWithCStream(FILE* cstream, int mode) {
  auto s = std::make_shared<TCStream>();
  s->_cstream = cstream;
  s->_pos = ftello(cstream);
  fseeko(cstream, 0, SEEK_END);
  s->_size = ftello(cstream);
  fseeko(cstream, s->_pos, SEEK_SET);
  s->_mode = mode;
  struct stat st;
  s->_regular = fstat(fileno(cstream), &st) == 0 && S_ISREG(st.st_mode);
  return s;
}

namespace {

int32_t Clamp32(int64_t value) {
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

String FileKindProblem(mode_t mode) {
  if (S_ISDIR(mode)) return FromUtf8(std::strerror(EISDIR));
  if (S_ISFIFO(mode)) return u"not a regular file (a FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return u"not a regular file (a device)";
  if (S_ISSOCK(mode)) return u"not a regular file (a socket)";
  return u"not a regular file";
}

}  // namespace

std::shared_ptr<TCStream> TCStream::OpenRegularFile(const std::string& path, String* why,
                                                    bool* notRegular) {
  if (notRegular) *notRegular = false;
  // A NUL would end the path early and name some other file.
  if (path.find('\0') != std::string::npos) {
    *why = FromUtf8(std::strerror(ENOENT));
    return nullptr;
  }
  // O_NONBLOCK: opening a FIFO that has no writer must not wait for one.
  // Nothing is read before the file is known to be regular.
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = open(path.c_str(), flags);
  int error = errno;
  if (fd < 0 && error == ENOENT) {
    String resolved = ResolvePathCase(FromLatin1(path));
    if (!resolved.empty()) {
      fd = open(ToLatin1(resolved).c_str(), flags);
      error = errno;
    }
  }
  if (fd < 0) {
    *why = FromUtf8(std::strerror(error));
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    *why = FromUtf8(std::strerror(errno));
  } else if (!S_ISREG(st.st_mode)) {
    *why = FileKindProblem(st.st_mode);
    if (notRegular) *notRegular = true;
  } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
    if (FILE* f = fdopen(fd, "rb")) return CreateWithCStream(f, MODE_READ);
    *why = FromUtf8(std::strerror(errno));
  } else {
    *why = FromUtf8(std::strerror(errno));
  }
  close(fd);
  return nullptr;
}

std::shared_ptr<TCStream> TCStream::OpenFile(const String& path, int readable, int writeable) {
  // "e": the descriptor is close-on-exec, so child processes started later
  // do not inherit open files.
  const char* cmode = "rbe";
  int mode = MODE_READ;
  if (readable && writeable) {
    cmode = "r+be";
    mode = MODE_READ | MODE_WRITE;
  } else if (writeable) {
    cmode = "wbe";
    mode = MODE_WRITE;
  }
  // Paths reach the C library one byte per character.  A character without
  // a byte of its own (above 255) or a NUL would name some other file.
  for (char16_t unit : path) {
    if (unit == 0 || unit > 255) return nullptr;
  }
  String unix_path = ReplaceAll(path, u"\\", u"/");
  FILE* f = std::fopen(ToLatin1(unix_path).c_str(), cmode);
  if (!f && !writeable) {
    String resolved = ResolvePathCase(unix_path);
    if (!resolved.empty()) f = std::fopen(ToLatin1(resolved).c_str(), cmode);
  }
  return f ? CreateWithCStream(f, mode) : nullptr;
}

TCStream::~TCStream() {
  Close();
  std::free(_line);
}

int TCStream::Eof() {
  if (!_regular) return TStream::Eof();
  return _pos >= _size ? 1 : 0;
}

int TCStream::Pos() { return Clamp32(_pos); }
int TCStream::Size() { return Clamp32(_size); }

int TCStream::Seek(int pos) {
  if (!_cstream) return Pos();
  fseeko(_cstream, pos, SEEK_SET);
  _pos = ftello(_cstream);
  return Pos();
}

int TCStream::Flush() {
  if (_cstream && std::fflush(_cstream) != 0) return -1;
  return 0;
}

int TCStream::Close() {
  int result = 0;
  if (_cstream) {
    if (Flush() != 0) result = -1;
    if (std::fclose(_cstream) != 0) result = -1;
    _pos = 0;
    _size = 0;
    _cstream = nullptr;
  }
  return result;
}

bool TCStream::ReadsSnapshot() const { return _regular && _mode == MODE_READ; }

int TCStream::Read(void* buf, int count) {
  if (!_cstream || count <= 0) return 0;
  if (ReadsSnapshot() && count > _size - _pos) {
    if (_pos >= _size) return 0;
    count = static_cast<int>(_size - _pos);
  }
  auto n = static_cast<int>(std::fread(buf, 1, static_cast<size_t>(count), _cstream));
  _pos += n;
  // The file ended before its size at opening: it has become shorter, and
  // its end is here.  (A read error is no end: Eof stays false, the caller
  // sees no progress and errno says why.)
  if (n < count && ReadsSnapshot() && std::feof(_cstream)) _size = _pos;
  return n;
}

int TCStream::Write(const void* buf, int count) {
  if (!_cstream || count <= 0) return 0;
  auto n = static_cast<int>(std::fwrite(buf, 1, static_cast<size_t>(count), _cstream));
  _pos += n;
  if (_pos > _size) _size = _pos;
  return n;
}

String TCStream::ReadLine() {
  std::string bytes;
  ReadLineBytes(bytes);
  return FromLatin1(bytes);
}

void TCStream::ReadLineBytes(std::string& out) {
  // The byte-wise rule of TStream::ReadLine without a virtual call and an
  // fread per byte: this is the index build's hot path.  getdelim scans
  // stdio's own buffer for the line feed; a NUL inside what it returned ends
  // the line early, and the bytes after it go back to the file by a seek.
  out.clear();
  if (!_cstream) return;
  FILE* f = _cstream;
  if (!_regular) {
    out = ToLatin1(TStream::ReadLine());
    return;
  }
  if (ReadsSnapshot() && _pos >= _size) return;
  ssize_t got = getdelim(&_line, &_line_capacity, '\n', f);
  if (got <= 0) {
    if (ReadsSnapshot() && std::feof(f)) _size = _pos;
    return;
  }
  if (ReadsSnapshot() && got > _size - _pos) {
    // Bytes added after the opening are not this stream's.
    const ssize_t keep = static_cast<ssize_t>(_size - _pos);
    fseeko(f, keep - got, SEEK_CUR);
    got = keep;
  }
  size_t length = static_cast<size_t>(got);
  size_t consumed = length;
  if (const void* nul = std::memchr(_line, 0, length)) {
    consumed = static_cast<size_t>(static_cast<const char*>(nul) - _line) + 1;
    if (consumed < length) {
      fseeko(f, static_cast<off_t>(consumed) - static_cast<off_t>(length), SEEK_CUR);
    }
    length = consumed - 1;
  } else if (_line[length - 1] == '\n') {
    --length;
  }
  _pos += static_cast<int64_t>(consumed);
  // Carriage returns vanish wherever they stand.
  const char* p = _line;
  const char* end = _line + length;
  while (p != end) {
    const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
    const char* stop = cr ? static_cast<const char*>(cr) : end;
    out.append(p, stop);
    p = cr ? stop + 1 : end;
  }
}

String ResolvePathCase(const String& path) {
  struct stat st;
  if (stat(ToLatin1(path).c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
    return path;
  }
  // The last "/" before the final character.
  int slash = -1;
  for (int i = static_cast<int>(path.size()) - 2; i >= 0; --i) {
    if (path[i] == u'/') {
      slash = i;
      break;
    }
  }
  String directory = u".";
  String name = path;
  String prefix;
  bool has_prefix = false;
  if (slash == 0) {
    // A name directly under the root is searched in the root itself.
    directory = u"/";
    name = path.substr(1);
    prefix = u"";
    has_prefix = true;
  } else if (slash > 0) {
    prefix = ResolvePathCase(path.substr(0, slash));
    if (prefix.empty()) return String();
    directory = prefix;
    name = path.substr(slash + 1);
    has_prefix = true;
  }
  DIR* dir = opendir(ToLatin1(directory).c_str());
  if (!dir) return String();
  const String wanted = AsciiLower(name);
  String found;
  while (dirent* entry = readdir(dir)) {
    String entry_name = FromLatin1(entry->d_name);
    if (AsciiLower(entry_name) == wanted) {
      found = has_prefix ? prefix + u"/" + entry_name : entry_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace lexidor
