// Work on a thread of its own, waited for rather than joined.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace lexidor {

// The thread is detached, so a program ended by a fatal signal meanwhile,
// whose handler exits at once and can join nothing, leaves no thread
// unjoined behind it.  The owner must outlive the work: it waits for it,
// at the latest in the destructor.
class Errand {
 public:
  Errand() = default;
  Errand(const Errand&) = delete;
  Errand& operator=(const Errand&) = delete;
  ~Errand() { Wait(); }

  // Starts `work`; at most once per errand.  `work` must not throw.
  void Start(std::function<void()> work);
  // Waits until the work started has ended; at once when none was.  Any
  // thread may wait, and several at a time.
  void Wait();
  // Whether work was started, ended or not.
  bool Started() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool started_ = false;  // under mutex_
  bool running_ = false;  // under mutex_
};

}  // namespace lexidor
