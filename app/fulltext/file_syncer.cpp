#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/durable_file.h"

namespace lexidor::fulltext {

namespace {

// Files handed over and not yet synced, at most.
constexpr size_t kPending = 64;

}  // namespace

TFileSyncer::TFileSyncer() : thread_([this] { Run(); }) {}

TFileSyncer::~TFileSyncer() { Finish(); }

void TFileSyncer::Add(int fd, std::string path) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < kPending; });
  queue_.emplace_back(fd, std::move(path));
  changed_.notify_all();
}

std::string TFileSyncer::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  return error_;
}

void TFileSyncer::Run() {
  for (;;) {
    std::pair<int, std::string> file;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || finishing_; });
      if (queue_.empty()) return;
      file = std::move(queue_.front());
      queue_.pop_front();
    }
    changed_.notify_all();
    // The first failure's reason is the one to give: that of the sync, or
    // else that of the close.
    const int reason = SyncAndClose(file.first);
    if (reason != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (error_.empty()) error_ = "Cannot write " + file.second + ": " + std::strerror(reason);
    }
  }
}

}  // namespace lexidor::fulltext
