#include "app/new_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace lexidor {

namespace {

// The paths the signal handlers remove.  A slot's path is written while
// its state is kClaimed and read by a handler only once it is kFile or
// kFolder.
enum SlotState { kFree = 0, kClaimed, kFile, kFolder };
constexpr int kSlots = 512;
struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
Slot g_slots[kSlots];

int Claim(const std::string& path, SlotState as) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kClaimed)) {
      std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
      g_slots[i].state.store(as);
      return i;
    }
  }
  return -1;
}

void Free(int slot) {
  if (slot >= 0) g_slots[slot].state.store(kFree);
}

// Files being made now, on any thread and on this one (TMaking), and
// whether a handler has begun to remove them: from then on none is made.
std::atomic<int> g_making{0};
std::atomic<bool> g_ending{false};
thread_local int t_making = 0;

}  // namespace

bool PathBytes(const String& path, std::string& out) {
  for (char16_t c : path) {
    if (c == 0 || c > 0xFF) return false;
  }
  out = ToLatin1(path);
  return true;
}

std::string RandomToken() {
  unsigned char bytes[8];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (errno != EINTR) {
      // No random source at all: still unique, if guessable; O_EXCL keeps
      // a planted file from being used.
      static std::atomic<unsigned> counter{0};
      unsigned long long fallback = (static_cast<unsigned long long>(getpid()) << 32) ^
                                    static_cast<unsigned long long>(time(nullptr)) ^ counter++;
      std::memcpy(bytes, &fallback, sizeof bytes);
      break;
    }
  }
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

std::string TemporaryPrefix() {
  return ".lexidor-" + std::to_string(getpid()) + "-" + RandomToken() + "-";
}

pid_t LeftoverOwner(const std::string& name) {
  auto digits = [](const std::string& text, size_t from, size_t to) -> pid_t {
    if (from >= to || to - from > 9) return 0;
    long value = 0;
    for (size_t i = from; i < to; ++i) {
      if (text[i] < '0' || text[i] > '9') return 0;
      value = value * 10 + (text[i] - '0');
    }
    return static_cast<pid_t>(value);
  };
  const std::string prefix = ".lexidor-";
  if (name.compare(0, prefix.size(), prefix) == 0) {
    size_t dash = name.find('-', prefix.size());
    if (dash == std::string::npos) return 0;
    return digits(name, prefix.size(), dash);
  }
  // The form of earlier versions: <name>.tmp-<pid>.
  size_t at = name.rfind(".tmp-");
  if (at == std::string::npos || at == 0) return 0;
  return digits(name, at + 5, name.size());
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

bool ReadWholeFile(const std::string& path, std::string* out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out->clear();
  char buffer[1 << 14];
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    out->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}

int SyncDirectory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int result = fsync(fd) == 0 ? 0 : errno;
  // Some file systems cannot sync a folder at all; nothing is lost there
  // that a sync could save.
  if (result == EINVAL || result == EROFS) result = 0;
  close(fd);
  return result;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> FolderNames(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) names.push_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TNewFile::~TNewFile() {
  if (fd_ >= 0) close(fd_);
  if (owned_) unlink(path_.c_str());
  Free(slot_);
}

TMaking::TMaking() {
  g_making.fetch_add(1);
  ++t_making;
  // After the count: a handler that set g_ending before this load waits
  // for the count to fall, one that sets it later finds the file made.
  ok_ = !g_ending.load();
  if (!ok_) {
    --t_making;
    g_making.fetch_sub(1);
  }
}

TMaking::~TMaking() {
  if (!ok_) return;
  --t_making;
  g_making.fetch_sub(1);
}

int TNewFile::Create(const std::string& path) {
  path_ = path;
  TMaking making;
  if (!making) return ECANCELED;
  // The slot is taken first: a signal right after the open finds the path.
  slot_ = Claim(path, kFile);
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    const int error = errno;
    Free(slot_);
    slot_ = -1;
    return error;
  }
  owned_ = true;
  return 0;
}

void TNewFile::Adopt(const std::string& path) {
  path_ = path;
  slot_ = Claim(path, kFile);
  owned_ = true;
}

int TNewFile::Write(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

int TNewFile::Finish() {
  if (fd_ < 0) return EBADF;
  int result = fsync(fd_) == 0 ? 0 : errno;
  if (close(fd_) != 0 && result == 0) result = errno;
  fd_ = -1;
  return result;
}

void TNewFile::Keep() {
  owned_ = false;
  Free(slot_);
  slot_ = -1;
}

int CopyFileInto(const std::string& from, TNewFile& to) {
  int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return errno;
  static thread_local char buffer[1 << 16];
  int error = 0;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    if ((error = to.Write(std::string_view(buffer, static_cast<size_t>(n))))) break;
  }
  close(in);
  return error;
}

int RegisterFolder(const std::string& path) { return Claim(path, kFolder); }
void UnregisterFolder(int slot) { Free(slot); }

void RemoveUnkeptFiles() {
  // A file another thread is making as the handler runs would be made
  // after the handler removed the files and outlive it: no more are begun,
  // and those begun are waited for (a second at most), but this thread's
  // own, which it cannot finish now.
  g_ending.store(true);
  const timespec pause = {0, 1000000};
  for (int i = 0; i < 1000 && g_making.load() > t_making; ++i) nanosleep(&pause, nullptr);
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kFile) unlink(slot.path);
  }
  // Folders inside registered folders go first, in whatever order they
  // were registered: a few rounds empty nested ones.
  for (int round = 0; round < 4; ++round) {
    for (Slot& slot : g_slots) {
      if (slot.state.load() == kFolder) rmdir(slot.path);
    }
  }
}

}  // namespace lexidor
