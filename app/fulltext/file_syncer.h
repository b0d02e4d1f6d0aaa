// Written files made durable together.  A writer hands a file over once its
// bytes are written and goes on with the next; a thread of its own syncs
// the first few one by one, then starts the disk on each file's data
// (without waiting for it) and closes it, and Finish syncs the file system
// that holds the folder once.  A sync per file wrote the folder's and the
// files' records to the disk again for each file, and waited for each:
// several times the cost of one sync of all.
#pragma once

#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace lexidor::fulltext {

class TFileSyncer {
 public:
  // The files handed over lie in `folder`.  It is opened here, before any
  // of them is written, so that the sync in Finish reports a failure to
  // write back anything written after this moment.  A folder that cannot
  // be opened leaves each file synced on its own.
  // `syncAll` syncs the file system of a folder's descriptor (syncfs; a
  // test gives one that fails).
  explicit TFileSyncer(const std::string& folder, int (*syncAll)(int) = syncfs);
  ~TFileSyncer();  // waits for the files handed over
  TFileSyncer(const TFileSyncer&) = delete;
  TFileSyncer& operator=(const TFileSyncer&) = delete;

  // Takes an open descriptor of the written file `path` and closes it.
  // Waits while many files are still to be taken, so that the open
  // descriptors stay few.
  void Add(int fd, std::string path);

  // Waits until every file handed over is closed and durable; "" or the
  // first failure: "Cannot write <path>: <reason>" (the folder's path when
  // the sync of them all failed).
  std::string Finish();

 private:
  void Run();

  std::string folder_;
  int (*syncAll_)(int);
  int folderFd_;          // -1: each file synced on its own
  size_t handled_ = 0;    // files taken so far (on the thread)
  bool batched_ = false;  // some were left to the sync at the end
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<int, std::string>> queue_;
  bool finishing_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace lexidor::fulltext
