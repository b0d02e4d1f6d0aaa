#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/durable_file.h"

namespace lexidor::fulltext {

namespace {

// Files handed over and not yet taken, at most.
constexpr size_t kPending = 64;
// Files synced together: the open descriptors are at most the two.
constexpr size_t kBatch = 64;

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

void TFileSyncer::SyncBatch(std::vector<File>& batch) {
  for (const File& file : batch) {
    // The first failure's reason is the one to give: that of the sync, or
    // else that of the close.
    const int reason = SyncAndClose(file.first);
    if (reason != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (error_.empty()) error_ = "Cannot write " + file.second + ": " + std::strerror(reason);
    }
  }
  batch.clear();
}

void TFileSyncer::Run() {
  std::vector<File> batch;
  for (;;) {
    File file;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || finishing_; });
      if (queue_.empty()) break;
      file = std::move(queue_.front());
      queue_.pop_front();
    }
    changed_.notify_all();
    // The disk starts on the file's data now; the sync finds it under way.
    // A failure here is the sync's to report.
    if (file.first >= 0) sync_file_range(file.first, 0, 0, SYNC_FILE_RANGE_WRITE);
    batch.push_back(std::move(file));
    if (batch.size() >= kBatch) SyncBatch(batch);
  }
  SyncBatch(batch);
}

}  // namespace lexidor::fulltext
