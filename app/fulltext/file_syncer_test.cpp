#include "app/fulltext/file_syncer.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace lexidor::fulltext {
namespace {

// Both ways: the first files synced one by one and the rest by one sync at
// the end, and (where the folder cannot be opened) each on its own.  A
// failure is named wherever the file stands.
TEST(FileSyncerTest, ClosesEveryFileAndNamesTheFirstThatFails) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lexidor-sync-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  int made = 0;
  for (const std::string& folder : {dir, dir + "/none"}) {
    for (const int lost : {-1, 0, 150}) {
      SCOPED_TRACE(folder + " " + std::to_string(lost));
      std::vector<int> fds;
      std::string error;
      {
        TFileSyncer syncer(folder);
        // More files than it keeps waiting: Add waits for room.
        for (int i = 0; i < 200; ++i) {
          const std::string path = dir + "/f" + std::to_string(made++);
          if (i == lost) {
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
      EXPECT_EQ(error, lost < 0 ? ""
                                : "Cannot write " + dir + "/f" + std::to_string(made - 200 + lost) +
                                      ": Bad file descriptor");
    }
  }
  std::filesystem::remove_all(dir);
}

// The sync at the end is the one of many files only, and its failure names
// the folder.
TEST(FileSyncerTest, AFailedSyncOfTheFileSystemNamesTheFolder) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lexidor-sync-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  int made = 0;
  for (const int files : {5, 200}) {
    TFileSyncer syncer(dir, [](int) {
      errno = EIO;
      return -1;
    });
    for (int i = 0; i < files; ++i) {
      const std::string path = dir + "/f" + std::to_string(made++);
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0);
      syncer.Add(fd, path);
    }
    EXPECT_EQ(syncer.Finish(), files < 10 ? "" : "Cannot write " + dir + ": Input/output error")
        << files;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext
