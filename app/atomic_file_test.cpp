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

#include "app/link_rule.h"

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
    EXPECT_EQ(entry.path().string().find(".lexidor-"), std::string::npos) << entry.path();
  }
}

// A link planted at the name a temporary file once had, beside the target,
// is neither followed nor made the target.
TEST_F(AtomicFileTest, APlantedLinkAtATemporaryNameIsNeverFollowed) {
  Write("victim", "precious");
  fs::create_symlink(P("victim"), P("command.js.tmp-" + std::to_string(getpid())));
  EXPECT_EQ(Save("command.js", u"var commands=new Array();"), u"");
  EXPECT_EQ(Read("victim"), "precious");
  EXPECT_FALSE(fs::is_symlink(P("command.js")));
  EXPECT_EQ(Read("command.js"), "var commands=new Array();");
}

// Links are followed for writing only when they belong to the user or to
// the owner of their folder; any other is named and left alone.
TEST_F(AtomicFileTest, OnlyLinksOfTheUserOrTheFolderOwnerAreWrittenThrough) {
  struct Case {
    uid_t link_owner;
    uid_t folder_owner;
    bool followed;
  };
  const uid_t me = geteuid(), other = me == 65534 ? 65533 : 65534;
  const Case cases[] = {{me, me, true}, {other, other, true}, {other, me, false}};
  for (const Case& c : cases) {
    fs::remove_all(P("kit"));
    fs::create_directory(P("kit"));
    Write("victim", "precious");
    fs::create_symlink(P("victim"), P("kit/index.html"));
    if (lchown(P("kit/index.html").c_str(), c.link_owner, -1) != 0 ||
        chown(P("kit").c_str(), c.folder_owner, -1) != 0) {
      GTEST_SKIP() << "needs to run as root to give files to another user";
    }
    const String error = Save("kit/index.html", u"page");
    if (c.followed) {
      EXPECT_EQ(error, u"");
      EXPECT_EQ(Read("victim"), "page");
    } else {
      EXPECT_EQ(ToUtf8(error),
                "Cannot write " + P("kit/index.html") + ": " + P("kit/index.html") +
                    " is a symbolic link that belongs to another user; not followed");
      EXPECT_EQ(Read("victim"), "precious");
      EXPECT_TRUE(fs::is_symlink(P("kit/index.html")));
    }
  }
}

// Settings are refused in a folder that is not the user's own alone.
TEST_F(AtomicFileTest, ASettingsFolderOfAnotherUserOrOpenToOthersIsNotTrusted) {
  fs::create_directory(P("s"));
  chmod(P("s").c_str(), 0700);
  EXPECT_EQ(UntrustedFolderReason(P("s")), "");
  chmod(P("s").c_str(), 0777);
  EXPECT_EQ(UntrustedFolderReason(P("s")), "is writable by others");
  chmod(P("s").c_str(), 0700);
  if (chown(P("s").c_str(), geteuid() == 65534 ? 65533 : 65534, -1) == 0) {
    EXPECT_EQ(UntrustedFolderReason(P("s")), "belongs to another user");
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

// A file the user may write in a folder the user may not: written in place
// where the file allows it, refused otherwise.
TEST_F(AtomicFileTest, AWritableFileInAFolderTheUserMayNotWriteIsWrittenInPlace) {
  fs::create_directory(P("ro"));
  Write("ro/config.txt", "old root\r\n0\r\n");
  chmod(P("ro/config.txt").c_str(), 0666);
  chmod(P("ro").c_str(), 0555);
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    TAtomicFile refused(FromLatin1(P("ro/config.txt")));
    if (refused.Open()) _exit(3);
    TAtomicFile file(FromLatin1(P("ro/config.txt")));
    file.AllowWriteInPlace();
    _exit(file.Open() && file.Write("new\r\n1\r\n") && file.Commit() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Read("ro/config.txt"), "new\r\n1\r\n");
  chmod(P("ro").c_str(), 0755);
}

}  // namespace
}  // namespace lexidor
