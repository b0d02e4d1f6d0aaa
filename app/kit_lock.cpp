#include "app/kit_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gui/events/timing.h"
#include "stream/standard_io.h"

namespace lexidor {

namespace {
constexpr int kPollMillis = 50;
}  // namespace

KitLock::KitLock(const String& rootPath, const std::function<void()>& waiting,
                 const std::function<void()>& idle)
    : KitLock(rootPath, waiting, idle, true) {}

std::unique_ptr<KitLock> KitLock::TryLock(const String& rootPath) {
  return std::unique_ptr<KitLock>(new KitLock(rootPath, nullptr, nullptr, false));
}

KitLock::KitLock(const String& rootPath, const std::function<void()>& waiting,
                 const std::function<void()>& idle, bool wait) {
  // The folder itself is locked (flock on its descriptor): nothing is
  // created in the kit, no link can redirect the lock, and two paths to
  // one kit meet on the same lock.  Close-on-exec: the builder started
  // meanwhile must not hold the lock after this program ends.
  const std::string path = ToLatin1(rootPath);
  if (path.empty() || path.find('\0') != std::string::npos) return;
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  int result = flock(fd, LOCK_EX | LOCK_NB);
  if (result != 0 && errno == EWOULDBLOCK && !wait) {
    close(fd);
    return;
  }
  if (result != 0 && errno == EWOULDBLOCK) {
    if (waiting) waiting();
    if (idle) {
      do {
        PauseMillis(kPollMillis);
        idle();
        result = flock(fd, LOCK_EX | LOCK_NB);
      } while (result != 0 && errno == EWOULDBLOCK);
    } else {
      // The 1 ms tick would wake a blocking wait a thousand times a second.
      TickHold hold;
      do {
        result = flock(fd, LOCK_EX);
      } while (result != 0 && errno == EINTR);
    }
  }
  if (result != 0) {
    problem_ = FromUtf8(std::strerror(errno));
    close(fd);
    return;
  }
  fd_ = fd;
}

KitLock::~KitLock() {
  // Closing the only descriptor of the open folder releases the lock.
  if (fd_ >= 0) close(fd_);
}

std::unique_ptr<KitLock> LockKitForBuild(const String& rootPath,
                                         const std::function<void()>& waiting,
                                         const std::function<void()>& idle) {
  auto lock = std::make_unique<KitLock>(
      rootPath,
      [&] {
        EndOpenLine();
        PrintLine(u"Waiting for another build of " + rootPath + u" to finish....");
        if (waiting) waiting();
      },
      idle);
  if (!lock->problem().empty()) {
    EndOpenLine();
    PrintLine(u"Warning: cannot lock " + rootPath + u": " + lock->problem() +
              u"; building without a lock");
  }
  return lock;
}

}  // namespace lexidor
