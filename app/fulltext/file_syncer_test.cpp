#include "app/fulltext/file_syncer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace lexidor::fulltext {
namespace {

// More files than a batch and than it keeps waiting (Add waits for room);
// a failure is named wherever its file stands, in the first batch or a
// later one.
TEST(FileSyncerTest, SyncsAndClosesEveryFileAndNamesTheFirstThatFails) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lexidor-sync-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  int made = 0;
  for (const int lost : {-1, 0, 150}) {
    SCOPED_TRACE(lost);
    std::vector<int> fds;
    std::string error, lostPath;
    {
      TFileSyncer syncer;
      for (int i = 0; i < 200; ++i) {
        const std::string path = dir + "/f" + std::to_string(made++);
        if (lost >= 0 && (i == lost || i == lost + 10)) {
          if (lostPath.empty()) lostPath = path;
          syncer.Add(-1, path);
          continue;
        }
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "x", 1), 1);
        fds.push_back(fd);
        syncer.Add(fd, path);
      }
      error = syncer.Finish();
    }
    for (int fd : fds) EXPECT_EQ(fcntl(fd, F_GETFD), -1) << fd << " left open";
    EXPECT_EQ(error, lost < 0 ? "" : "Cannot write " + lostPath + ": Bad file descriptor");
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext
