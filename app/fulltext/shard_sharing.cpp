#include "app/fulltext/shard_sharing.h"

#include <utility>

namespace lexidor::fulltext {

void TShardSharing::Offer(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (helpers_ > 0 && jobs_.size() < kMostWaiting) {
      jobs_.push_back(std::move(job));
      work_.notify_one();
      return;
    }
  }
  job();
}

void TShardSharing::Help() {
  std::unique_lock<std::mutex> lock(mutex_);
  ++helpers_;
  for (;;) {
    work_.wait(lock, [this] { return closed_ || !jobs_.empty(); });
    if (jobs_.empty()) break;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    try {
      job();
    } catch (...) {
      lock.lock();
      if (!failure_) failure_ = std::current_exception();
      continue;
    }
    lock.lock();
  }
  --helpers_;
}

void TShardSharing::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  work_.notify_all();
}

void TShardSharing::Rethrow() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

}  // namespace lexidor::fulltext
