#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "app/fulltext/durable_file.h"

namespace lexidor::fulltext {

namespace {

// Files handed over and not yet taken, at most.
constexpr size_t kPending = 64;
// Threads that sync, and the files each takes at a time: the open
// descriptors are at most kPending and kSyncers * kBatch more.
constexpr size_t kSyncers = 3;
constexpr size_t kBatch = 16;
// A thread is woken once this many files wait (or at the end), not for
// each: each wake-up switched two threads for one file.
constexpr size_t kWake = 8;

}  // namespace

TFileSyncer::TFileSyncer() {
  // Started under the lock: should a thread fail to start, those started
  // are stopped and waited for before the constructor throws.
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t k = 0; k < kSyncers; ++k) threads_.emplace_back([this] { Run(); });
  } catch (...) {
    Finish();
    throw;
  }
}

TFileSyncer::~TFileSyncer() { Finish(); }

void TFileSyncer::Add(int fd, std::string path) {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [this] { return queue_.size() < kPending; });
  queue_.push_back({fd, std::move(path), handed_++});
  if (queue_.size() >= kWake) work_.notify_one();
}

std::string TFileSyncer::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
  return error_;
}

void TFileSyncer::SyncBatch(std::vector<File>& batch) {
  for (const File& file : batch) {
    // The first failure's reason is the one to give: that of the sync, or
    // else that of the close.
    const int reason = SyncAndClose(file.fd);
    if (reason != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (error_.empty() || file.number < errorNumber_) {
        error_ = "Cannot write " + file.path + ": " + std::strerror(reason);
        errorNumber_ = file.number;
      }
    }
  }
  batch.clear();
}

void TFileSyncer::Run() {
  std::vector<File> batch;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return queue_.size() >= kWake || finishing_; });
      if (queue_.empty()) break;
      const size_t taken = std::min(queue_.size(), kBatch);
      batch.assign(std::make_move_iterator(queue_.begin()),
                   std::make_move_iterator(queue_.begin() + static_cast<std::ptrdiff_t>(taken)));
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken));
      // Files enough for another thread: it syncs them meanwhile.
      if (queue_.size() >= kWake) work_.notify_one();
    }
    room_.notify_all();
    // The disk starts on each file's data now; the syncs find it under
    // way.  A failure here is the sync's to report.
    for (const File& file : batch) {
      if (file.fd >= 0) sync_file_range(file.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    SyncBatch(batch);
  }
}

}  // namespace lexidor::fulltext
