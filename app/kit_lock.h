// One build of a kit at a time: a lock held on the kit's root folder for
// as long as a build runs (the documentation rebuild included), so that two
// builds never interleave their reads and writes of one kit.
#pragma once

#include <functional>
#include <memory>

#include "runtime/string.h"

namespace lexidor {

class KitLock {
 public:
  // Locks the kit at `rootPath` (bytes, one per character).  When another
  // build, of this program or another one, holds the kit, `waiting` is
  // called once and the lock is waited for: blocking when `idle` is empty;
  // otherwise by polling every 50 ms, calling `idle` between polls (a
  // window keeps its events drained).  A kit folder that cannot be opened
  // (missing) is not locked: the build reports its own errors.  A lock the
  // system refuses (a file system without locks) is not waited for either;
  // problem() says why.
  KitLock(const String& rootPath, const std::function<void()>& waiting,
          const std::function<void()>& idle = nullptr);
  // Takes the lock only when it is free at once: held() says whether it
  // was; nothing is waited for.
  static std::unique_ptr<KitLock> TryLock(const String& rootPath);
  // Releases the lock.
  ~KitLock();
  KitLock(const KitLock&) = delete;
  KitLock& operator=(const KitLock&) = delete;

  bool held() const { return fd_ >= 0; }
  // Why the kit could not be locked; "" when it is held or the folder could
  // not be opened.
  const String& problem() const { return problem_; }

 private:
  KitLock(const String& rootPath, const std::function<void()>& waiting,
          const std::function<void()>& idle, bool wait);
  int fd_ = -1;
  String problem_;
};

// The lock a build takes before it starts: the wait for another build is
// said on standard output ("Waiting for another build of <root> to
// finish...."), and so is a kit that cannot be locked (the build then goes
// on without the lock).  `waiting` and `idle` as for KitLock.
std::unique_ptr<KitLock> LockKitForBuild(const String& rootPath,
                                         const std::function<void()>& waiting = nullptr,
                                         const std::function<void()>& idle = nullptr);

}  // namespace lexidor
