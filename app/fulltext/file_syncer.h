// Written files made durable on a thread of their own: a writer hands a
// file over once its bytes are written and goes on with the next while the
// disk catches up, where waiting for each file's sync would stall it.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace lexidor::fulltext {

class TFileSyncer {
 public:
  TFileSyncer();
  ~TFileSyncer();  // waits for the files handed over
  TFileSyncer(const TFileSyncer&) = delete;
  TFileSyncer& operator=(const TFileSyncer&) = delete;

  // Takes an open descriptor of the written file `path`: syncs and closes
  // it.  Waits while many files are still to be synced, so that the open
  // descriptors stay few.
  void Add(int fd, std::string path);

  // Waits until every file handed over is synced and closed; "" or the
  // first failure: "Cannot write <path>: <reason>".
  std::string Finish();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<int, std::string>> queue_;
  bool finishing_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace lexidor::fulltext
