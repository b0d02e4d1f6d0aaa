// Written files made durable on threads of their own: a writer hands a
// file over once its bytes are written and goes on with the next while the
// disk catches up, where waiting for each file's sync would stall it.
//
// Each thread takes the files handed over a few at a time, starts the disk
// on each one's data as it takes it and then syncs them.  A sync of a new
// file also writes the block of its inode and its folder's entry, which the
// next files change again: synced one by one as they came, each file wrote
// those blocks anew; synced after a few were written, the first sync writes
// them for the few and the others find them written.  Each sync also asks
// the disk to flush its cache and waits for it: one thread syncing every
// file in turn fell behind the writers, which then waited for room (70 ms
// in all at 5,000 pages; 8 ms with three threads side by side, the disk
// taking their syncs together).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
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
  // failure of the first file that failed, in the order they were handed
  // over: "Cannot write <path>: <reason>".
  std::string Finish();

 private:
  struct File {
    int fd;
    std::string path;
    uint64_t number;  // in the order handed over
  };
  void Run();
  void SyncBatch(std::vector<File>& batch);

  std::mutex mutex_;
  // The threads wait on work_ for files, writers on room_ for room.
  std::condition_variable work_, room_;
  std::deque<File> queue_;
  uint64_t handed_ = 0;
  bool finishing_ = false;
  std::string error_;
  uint64_t errorNumber_ = 0;  // of the file error_ names
  std::vector<std::thread> threads_;
};

}  // namespace lexidor::fulltext
