#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

#include "app/fulltext/durable_file.h"

namespace lexidor::fulltext {

namespace {

// Files handed over and not yet taken, at most.
constexpr size_t kPending = 64;
// Files synced together: the open descriptors are at most the two and
// the files the thread has taken off the queue, kPending more.
constexpr size_t kBatch = 64;
// The thread is woken once this many files wait (or at the end), not for
// each: each wake-up switched both threads for one file.
constexpr size_t kWake = 8;

}  // namespace

TFileSyncer::TFileSyncer() : thread_([this] { Run(); }) {}

TFileSyncer::~TFileSyncer() { Finish(); }

void TFileSyncer::Add(int fd, std::string path) {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [this] { return queue_.size() < kPending; });
  queue_.emplace_back(fd, std::move(path));
  if (queue_.size() >= kWake) work_.notify_one();
}

std::string TFileSyncer::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  work_.notify_one();
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
  std::vector<File> batch, taken;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return queue_.size() >= kWake || finishing_; });
      if (queue_.empty()) break;
      taken.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
      queue_.clear();
    }
    room_.notify_all();
    for (File& file : taken) {
      // The disk starts on the file's data now; the sync finds it under
      // way.  A failure here is the sync's to report.
      if (file.first >= 0) sync_file_range(file.first, 0, 0, SYNC_FILE_RANGE_WRITE);
      batch.push_back(std::move(file));
      if (batch.size() >= kBatch) SyncBatch(batch);
    }
    taken.clear();
  }
  SyncBatch(batch);
}

}  // namespace lexidor::fulltext
