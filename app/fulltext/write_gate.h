// The moment a text build may begin to write.  A build can read and index
// the pages while the name index is still being built, but must leave the
// kit as it is until the name index is in place: it asks the gate before
// its first write, and gives up when the gate is cancelled instead.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace lexidor::fulltext {

class TWriteGate {
 public:
  // Lets the writes begin.  Nothing once cancelled.
  void Open() { Settle(kOpen); }
  // The build's work is not wanted: waiters give up, and so do builds
  // that look.  Nothing once open.
  void Cancel() { Settle(kCancelled); }

  // Waits until the gate is opened (true) or cancelled (false).
  bool Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    settled_.wait(lock, [this] { return state_.load() != kClosed; });
    return state_.load() == kOpen;
  }
  bool IsOpen() const { return state_.load() == kOpen; }
  bool Cancelled() const { return state_.load() == kCancelled; }

 private:
  enum State { kClosed, kOpen, kCancelled };
  void Settle(State to) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (state_.load() != kClosed) return;
      state_.store(to);
    }
    settled_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable settled_;
  std::atomic<State> state_{kClosed};
};

// Whether a build with `gate` (none: never) has been given up.
inline bool GivenUp(const TWriteGate* gate) { return gate && gate->Cancelled(); }
// Waits for `gate` (none: at once); false when it was cancelled.
inline bool MayWrite(TWriteGate* gate) { return !gate || gate->Wait(); }

}  // namespace lexidor::fulltext
