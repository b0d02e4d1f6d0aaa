#include "app/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace lexidor {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lexidor_atomic_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    chmod(dir_.c_str(), 0777);  // an unprivileged writer may create files here
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string P(const std::string& name) const { return dir_ + "/" + name; }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(P(name), std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(P(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  String Save(const std::string& name, const char16_t* text) const {
    return SaveTextFileAtomically(text, FromLatin1(P(name)));
  }

  std::string dir_;
};

// A link stays a link and its target gets the new content, in the target's
// own folder; the new file keeps the old one's permissions.
TEST_F(AtomicFileTest, WritesThroughLinksAndKeepsPermissions) {
  fs::create_directory(P("real"));
  Write("real/config.txt", "old");
  chmod(P("real/config.txt").c_str(), 0600);
  fs::create_symlink("real/config.txt", P("link"));
  fs::create_symlink(P("real/fresh.txt"), P("dangling"));

  EXPECT_EQ(Save("link", u"new"), u"");
  EXPECT_TRUE(fs::is_symlink(P("link")));
  EXPECT_EQ(Read("real/config.txt"), "new");
  EXPECT_EQ(fs::status(P("real/config.txt")).permissions(), fs::perms(0600));

  EXPECT_EQ(Save("dangling", u"made"), u"");
  EXPECT_TRUE(fs::is_symlink(P("dangling")));
  EXPECT_EQ(Read("real/fresh.txt"), "made");
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

// A file its user may not write is refused, as a write in place would be,
// though its folder would allow a rename over it.  Root may write anything,
// so as root the save runs in a child that has given up its privileges.
TEST_F(AtomicFileTest, AFileTheUserMayNotWriteIsLeftAlone) {
  Write("config.txt", "kept");
  chmod(P("config.txt").c_str(), 0444);
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    String error = Save("config.txt", u"overruled");
    _exit(error == FromLatin1("Cannot write " + P("config.txt") + ": Permission denied") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Read("config.txt"), "kept");
}

}  // namespace
}  // namespace lexidor
