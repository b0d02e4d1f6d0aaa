#include "process/spawn.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "process/process_module.h"

namespace lexidor {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> tokens;
};

TEST(SplitCommandLine, FollowsTheBlankAndQuoteRules) {
  const SplitCase cases[] = {
      // A quoted path holding a blank, then an option.
      {"\"/opt/my kit/bin/docbake\" -x", {"/opt/my kit/bin/docbake", "-x"}},
      // A quote inside an unquoted token is an ordinary character.
      {"ab\"c d\"", {"ab\"c", "d\""}},
      // What follows a closing quote starts the next token at once.
      {"\"a b\"c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a", "b"}},
      {"\"\" x", {"", "x"}},
      // An unclosed quote runs to the end.
      {"\"a b", {"a b"}},
      // Tabs are ordinary characters; runs of blanks separate once.
      {"a\tb  c", {"a\tb", "c"}},
      {"   a    b   ", {"a", "b"}},
      {"", {}},
      {"    ", {}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.tokens) << "line: " << c.line;
  }
}

TEST(SplitCommandLine, ArgumentVectorEndsWithNull) {
  std::vector<std::string> tokens = SplitCommandLine("\"/a b/c\" -x");
  std::vector<char*> argv = ArgumentVector(tokens);
  ASSERT_EQ(argv.size(), 3u);
  EXPECT_STREQ(argv[0], "/a b/c");
  EXPECT_STREQ(argv[1], "-x");
  EXPECT_EQ(argv[2], nullptr);
}

// These tests collect their children with waitpid themselves: an installed
// reaper (another test may have started the process module) is held off.
class SpawnWithPipesTest : public testing::Test {
 protected:
  SpawnWithPipesTest() {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigaction(SIGCHLD, &standard, &saved_);
  }
  ~SpawnWithPipesTest() override { sigaction(SIGCHLD, &saved_, nullptr); }

 private:
  struct sigaction saved_;
};

int OpenDescriptorCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count - 1;  // the directory's own descriptor
}

// Everything the child writes to its standard output, read to the end, with
// the child collected.
std::string RunAndRead(const std::string& command) {
  int out = 0, in = 0, err = 0;
  pid_t pid = SpawnWithPipes(command, &out, &in, &err, 1);
  if (pid == 0) return "<spawn failed>";
  close(in);
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(out, buf, sizeof buf)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  close(out);
  close(err);
  waitpid(pid, nullptr, 0);
  ForgetProcessGroup(pid);
  return text;
}

TEST_F(SpawnWithPipesTest, ChildGetsOnlyTheThreeStandardStreams) {
  // A descriptor of ours that is not close-on-exec must not reach the child.
  int leaky = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  std::string listing = RunAndRead("/bin/sh -c \"ls /proc/$$/fd\"");
  close(leaky);
  EXPECT_EQ(listing, "0\n1\n2\n");
}

TEST_F(SpawnWithPipesTest, DescriptorsAreCloseOnExecAndAboveStandardStreams) {
  int out = 0, in = 0, err = 0;
  pid_t pid = SpawnWithPipes("/bin/true", &out, &in, &err, 1);
  ASSERT_GT(pid, 0);
  for (int fd : {out, in, err}) {
    EXPECT_GT(fd, 2);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC) << fd;
    close(fd);
  }
  waitpid(pid, nullptr, 0);
  ForgetProcessGroup(pid);
}

TEST_F(SpawnWithPipesTest, ChildLeadsItsOwnSessionAndGroup) {
  int out = 0, in = 0, err = 0;
  // cut runs as the shell's child, in the shell's group and session.
  pid_t pid = SpawnWithPipes("/bin/sh -c \"cut -d' ' -f5,6 /proc/self/stat\"", &out, &in, &err, 1);
  ASSERT_GT(pid, 0);
  std::string text;
  char buf[256];
  ssize_t n;
  while ((n = read(out, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) text.append(buf, static_cast<size_t>(n));
  }
  for (int fd : {out, in, err}) close(fd);
  waitpid(pid, nullptr, 0);
  ForgetProcessGroup(pid);
  EXPECT_EQ(text, std::to_string(pid) + " " + std::to_string(pid) + "\n");
}

TEST_F(SpawnWithPipesTest, ChildStartsWithDefaultSignalActions) {
  // The program ignores SIGPIPE; its children must not.
  struct sigaction ignore = {}, previous;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  std::string status = RunAndRead("/bin/grep SigIgn /proc/self/status");
  sigaction(SIGPIPE, &previous, nullptr);
  // The mask of ignored signals, in hexadecimal.  Only the standard signals
  // (1 to 31) count: the C library keeps 32 and 33 for itself, and whether
  // they arrive ignored depends on who started the tests.
  ASSERT_EQ(status.rfind("SigIgn:\t", 0), 0u) << status;
  unsigned long long ignored = std::strtoull(status.c_str() + 8, nullptr, 16);
  EXPECT_EQ(ignored & 0x7FFFFFFFull, 0u) << status;
}

TEST_F(SpawnWithPipesTest, StandardStreamsReachTheirPipes) {
  int out = 0, in = 0, err = 0;
  pid_t pid =
      SpawnWithPipes("/bin/sh -c \"read x; echo out:$x; echo err:$x >&2\"", &out, &in, &err, 1);
  ASSERT_GT(pid, 0);
  ASSERT_EQ(write(in, "hi\n", 3), 3);
  close(in);
  char buf[64];
  ssize_t n = read(out, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "out:hi\n");
  n = read(err, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "err:hi\n");
  close(out);
  close(err);
  waitpid(pid, nullptr, 0);
  ForgetProcessGroup(pid);
}

TEST_F(SpawnWithPipesTest, MissingProgramEndsTheChildWithStatus255) {
  int out = 0, in = 0, err = 0;
  pid_t pid = SpawnWithPipes("/nonexistent/docbake -x", &out, &in, &err, 1);
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 255);
  char byte;
  EXPECT_EQ(read(out, &byte, 1), 0);
  for (int fd : {out, in, err}) close(fd);
  ForgetProcessGroup(pid);
}

TEST_F(SpawnWithPipesTest, EmptyCommandLineStartsNothing) {
  int out = -7, in = -7, err = -7;
  EXPECT_EQ(SpawnWithPipes("   ", &out, &in, &err, 1), 0);
  EXPECT_EQ(out, -7);
}

TEST_F(SpawnWithPipesTest, FailedPipeCreationLeavesNoDescriptorOpen) {
  int before = OpenDescriptorCount();
  ASSERT_GT(before, 0);
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(before + 16);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  // With room for no pipe, for one, two and three, each pipe creation in
  // turn fails.
  for (int room : {0, 2, 4, 6}) {
    std::vector<int> fillers;
    for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) fillers.push_back(fd);
    for (int k = 0; k < room && !fillers.empty(); ++k) {
      close(fillers.back());
      fillers.pop_back();
    }
    int out = 0, in = 0, err = 0;
    pid_t pid = SpawnWithPipes("/bin/true", &out, &in, &err, 1);
    for (int fd : fillers) close(fd);
    EXPECT_EQ(pid, 0) << "room " << room;
    EXPECT_EQ(OpenDescriptorCount(), before) << "room " << room;
  }
  setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
}  // namespace lexidor
