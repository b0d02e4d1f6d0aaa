// A preloaded library that fails one file operation of a program on
// purpose, for the fault-sweep tests.
//
// Environment:
//   LEXIDOR_FAULT_DIR    only paths under this folder (and descriptors opened
//                        on them) count and fail
//   LEXIDOR_FAULT_OP     open, write, fsync, close, rename, unlink, link or mkdir
//   LEXIDOR_FAULT_AT     the call of that operation to fail, from 1
//   LEXIDOR_FAULT_ERRNO  the errno it fails with; "short" makes a write
//                        write half of what it was given (once)
//   LEXIDOR_FAULT_SIGNAL instead of failing, the process sends itself this
//                        signal at that call (9 for a kill)
//   LEXIDOR_FAULT_COUNTS a file that gets, at exit, "op count" lines
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

enum Op { kOpen, kWrite, kFsync, kClose, kRename, kUnlink, kLink, kMkdir, kOps };
const char* const kNames[kOps] = {"open",   "write",  "fsync", "close",
                                  "rename", "unlink", "link",  "mkdir"};

struct Config {
  const char* dir = nullptr;
  size_t dirLength = 0;
  int op = -1;
  long at = 0;
  int error = 0;
  bool shortWrite = false;
  int signal = 0;
  const char* counts = nullptr;
};

const Config& Settings() {
  static const Config config = [] {
    Config c;
    c.dir = getenv("LEXIDOR_FAULT_DIR");
    c.dirLength = c.dir ? strlen(c.dir) : 0;
    if (const char* op = getenv("LEXIDOR_FAULT_OP")) {
      for (int i = 0; i < kOps; ++i) {
        if (strcmp(op, kNames[i]) == 0) c.op = i;
      }
    }
    if (const char* at = getenv("LEXIDOR_FAULT_AT")) c.at = atol(at);
    if (const char* error = getenv("LEXIDOR_FAULT_ERRNO")) {
      c.shortWrite = strcmp(error, "short") == 0;
      c.error = c.shortWrite ? 0 : atoi(error);
    }
    if (const char* sig = getenv("LEXIDOR_FAULT_SIGNAL")) c.signal = atoi(sig);
    c.counts = getenv("LEXIDOR_FAULT_COUNTS");
    return c;
  }();
  return config;
}

std::atomic<long> g_calls[kOps];
std::atomic<bool> g_tracked[65536];

bool Under(const char* path) {
  const Config& c = Settings();
  return c.dir && path && strncmp(path, c.dir, c.dirLength) == 0;
}
bool Tracked(int fd) { return fd >= 0 && fd < 65536 && g_tracked[fd].load(); }

// The counts so far, rewritten after every call: the program may end with
// _exit, which runs no destructor.
void Report() {
  const Config& c = Settings();
  if (!c.counts) return;
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  if (FILE* out = fopen(c.counts, "w")) {
    for (int i = 0; i < kOps; ++i) fprintf(out, "%s %ld\n", kNames[i], g_calls[i].load());
    fclose(out);
  }
}

// Counts a call; true when this is the one to fail (errno is then set, or
// the signal sent).
bool Strike(int op) {
  const Config& c = Settings();
  const long n = ++g_calls[op];
  Report();
  if (op != c.op || n != c.at) return false;
  if (c.signal) {
    raise(c.signal);
    return false;  // a signal that was held off: the call goes on
  }
  if (c.shortWrite) return false;
  errno = c.error;
  return true;
}

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int OpenCommon(const char* name, int dirfd, const char* path, int flags, mode_t mode, bool at) {
  const bool under = Under(path);
  if (under && Strike(kOpen)) return -1;
  int fd = at ? Real<int (*)(int, const char*, int, ...)>(name)(dirfd, path, flags, mode)
              : Real<int (*)(const char*, int, ...)>(name)(path, flags, mode);
  if (fd >= 0 && fd < 65536) g_tracked[fd] = under;
  return fd;
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenCommon("open", 0, path, flags, mode, false);
}
int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenCommon("open64", 0, path, flags, mode, false);
}
int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenCommon("openat", dirfd, path, flags, mode, true);
}

ssize_t write(int fd, const void* buf, size_t count) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (Tracked(fd)) {
    if (Strike(kWrite)) return -1;
    const Config& c = Settings();
    if (c.shortWrite && c.op == kWrite && g_calls[kWrite] == c.at && count > 1) count /= 2;
  }
  return real(fd, buf, count);
}

int fsync(int fd) {
  static auto real = Real<int (*)(int)>("fsync");
  if (Tracked(fd) && Strike(kFsync)) return -1;
  return real(fd);
}

int close(int fd) {
  static auto real = Real<int (*)(int)>("close");
  if (Tracked(fd)) {
    g_tracked[fd] = false;
    if (Strike(kClose)) {
      real(fd);  // Linux frees the descriptor even when close reports an error
      return -1;
    }
  }
  return real(fd);
}

int rename(const char* from, const char* to) {
  static auto real = Real<int (*)(const char*, const char*)>("rename");
  if (Under(to) && Strike(kRename)) return -1;
  return real(from, to);
}

int unlink(const char* path) {
  static auto real = Real<int (*)(const char*)>("unlink");
  if (Under(path) && Strike(kUnlink)) return -1;
  return real(path);
}

int link(const char* from, const char* to) {
  static auto real = Real<int (*)(const char*, const char*)>("link");
  if (Under(to) && Strike(kLink)) return -1;
  return real(from, to);
}

int mkdir(const char* path, mode_t mode) {
  static auto real = Real<int (*)(const char*, mode_t)>("mkdir");
  if (Under(path) && Strike(kMkdir)) return -1;
  return real(path, mode);
}

}  // extern "C"
