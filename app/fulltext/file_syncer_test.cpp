#include "app/fulltext/file_syncer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace lexidor::fulltext {
namespace {

// Both ways: the folder synced once at the end, and (where the folder
// cannot be opened) each file on its own.
TEST(FileSyncerTest, ClosesEveryFileAndNamesTheFirstThatFails) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lexidor-sync-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  int made = 0;
  for (const std::string& folder : {dir, dir + "/none"}) {
    SCOPED_TRACE(folder);
    std::vector<int> fds;
    std::string error;
    {
      TFileSyncer syncer(folder);
      // More files than it keeps waiting: Add waits for room.
      for (int i = 0; i < 200; ++i) {
        const std::string path = dir + "/f" + std::to_string(made++);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "x", 1), 1);
        fds.push_back(fd);
        syncer.Add(fd, path);
      }
      EXPECT_EQ(syncer.Finish(), "");
      for (int fd : fds) EXPECT_EQ(fcntl(fd, F_GETFD), -1) << fd << " left open";

      TFileSyncer failing(folder);
      failing.Add(-1, dir + "/lost");
      failing.Add(-1, dir + "/second");
      error = failing.Finish();
    }
    EXPECT_EQ(error, "Cannot write " + dir + "/lost: Bad file descriptor");
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext
