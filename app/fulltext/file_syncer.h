// Written files made durable on a thread of their own: a writer hands a
// file over once its bytes are written and goes on with the next while the
// disk catches up, where waiting for each file's sync would stall it.
//
// The thread takes the files handed over a few at a time, starts the disk
// on each one's data as it takes it and syncs the files a batch at a time,
// in the order they came.  A sync
// of a new file also writes the block of its inode and its folder's entry,
// which the next files change again: synced one by one as they came, each
// file wrote those blocks anew; synced after a batch was written, the
// first sync writes them for the batch and the others find them written.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lexidor::fulltext {

class TFileSyncer {
 public:
  TFileSyncer();
  ~TFileSyncer();  // waits for the files handed over
  TFileSyncer(const TFileSyncer&) = delete;
  TFileSyncer& operator=(const TFileSyncer&) = delete;

  // Takes an open descriptor of the written file `path`: syncs and closes
  // it.  Waits while many files are still to be taken, so that the open
  // descriptors stay few.
  void Add(int fd, std::string path);

  // Waits until every file handed over is synced and closed; "" or the
  // first failure: "Cannot write <path>: <reason>".
  std::string Finish();

 private:
  using File = std::pair<int, std::string>;
  void Run();
  void SyncBatch(std::vector<File>& batch);

  std::mutex mutex_;
  // The thread waits on work_ for files, writers on room_ for room.
  std::condition_variable work_, room_;
  std::deque<File> queue_;
  bool finishing_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace lexidor::fulltext
