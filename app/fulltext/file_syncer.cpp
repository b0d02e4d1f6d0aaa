#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "app/fulltext/durable_file.h"

namespace lexidor::fulltext {

namespace {

// Files handed over and not yet closed, at most.
constexpr size_t kPending = 64;
// The first files are synced one by one: a few syncs cost less than one of
// the whole file system, which also waits for whatever else is waiting to
// be written there (a rebuild writes a handful of files).
constexpr size_t kOneByOne = 32;

}  // namespace

TFileSyncer::TFileSyncer(const std::string& folder, int (*syncAll)(int))
    : folder_(folder),
      syncAll_(syncAll),
      folderFd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      thread_([this] { Run(); }) {}

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
  if (folderFd_ >= 0 && batched_) {
    // One sync of the file system makes every file written there durable,
    // and (Linux 5.8 and later) fails when writing back any of them failed
    // since the folder was opened.
    int reason = syncAll_(folderFd_) == 0 ? 0 : errno;
    if (close(folderFd_) != 0 && reason == 0) reason = errno;
    folderFd_ = -1;
    if (reason != 0 && error_.empty()) {
      error_ = "Cannot write " + folder_ + ": " + std::strerror(reason);
    }
  }
  if (folderFd_ >= 0) close(folderFd_);
  folderFd_ = -1;
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
    int reason;
    if (folderFd_ >= 0 && ++handled_ > kOneByOne) {
      batched_ = true;
      // The disk starts on the file's data now, so that the sync at the
      // end has little left to wait for.
      reason = sync_file_range(file.first, 0, 0, SYNC_FILE_RANGE_WRITE) == 0 ? 0 : errno;
      if (close(file.first) != 0 && reason == 0) reason = errno;
    } else {
      reason = SyncAndClose(file.first);
    }
    // The first failure's reason is the one to give.
    if (reason != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (error_.empty()) error_ = "Cannot write " + file.second + ": " + std::strerror(reason);
    }
  }
}

}  // namespace lexidor::fulltext
