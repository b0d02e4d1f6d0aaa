#include "app/errand.h"

#include <thread>

namespace lexidor {

void Errand::Start(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = true;
    running_ = true;
  }
  std::thread([this, work = std::move(work)] {
    work();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    // Under the lock: the owner may go as soon as it sees the work ended.
    done_.notify_all();
  }).detach();
}

void Errand::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !running_; });
}

bool Errand::Started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

}  // namespace lexidor
