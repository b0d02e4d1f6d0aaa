// Files of one family packed and written by whichever writing thread is
// free: the threads that write the index's families end one after the
// other, and the last one packed all of its files alone while the others
// had nothing left to do.  A thread that is done offers its help; the
// family's writer then hands its finished files over, a few at a time, and
// goes on with the next one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace lexidor::fulltext {

class TShardSharing {
 public:
  // Runs `job` on a helper when one waits for work, else here and now.
  // The jobs run in any order and side by side: what they share they
  // guard with WriteMutex().
  void Offer(std::function<void()> job);
  // Runs the jobs offered until Close() and none is left.  A job's
  // exception is kept for Rethrow(), and the jobs after it still run.
  void Help();
  // No more jobs: the helpers return once the last one is done.
  void Close();
  // Throws the first exception a helper's job met, if any.
  void Rethrow();
  std::mutex& WriteMutex() { return write_; }

 private:
  // Jobs waiting at most: each holds a file's text until a helper takes it.
  static constexpr size_t kMostWaiting = 2;
  std::mutex mutex_, write_;
  std::condition_variable work_;
  std::deque<std::function<void()>> jobs_;
  size_t helpers_ = 0;  // waiting in Help, or running a job there
  bool closed_ = false;
  std::exception_ptr failure_;
};

}  // namespace lexidor::fulltext
