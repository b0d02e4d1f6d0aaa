#include "app/fulltext/durable_file.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace lexidor::fulltext {
namespace {

TEST(DurableFileTest, WritesOnlyNewFilesAndReadsBackOnlyWholeRegularOnes) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/lexidor-file-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  const std::string file = dir + "/f", link = dir + "/l", folder = dir + "/d";
  const int fd = CreateAndWrite(file, "content");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(SyncAndClose(fd), 0);
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  std::filesystem::create_directory(folder);

  // Nothing that is there already is written over, a link least of all.
  for (const std::string& taken : {file, link, folder}) {
    EXPECT_EQ(CreateAndWrite(taken, "other"), -1) << taken;
  }
  struct {
    std::string path;
    uint64_t largest;
    bool read;
  } const cases[] = {
      {file, 7, true},
      {file, 6, false},
      {link, 100, false},
      {folder, 100, false},
      {dir + "/none", 100, false},
  };
  for (const auto& c : cases) {
    std::string content = "old";
    EXPECT_EQ(ReadWholeFile(c.path, c.largest, &content), c.read) << c.path << " " << c.largest;
    if (c.read) {
      EXPECT_EQ(content, "content");
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext
