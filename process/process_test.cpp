#include "process/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "process/process_module.h"
#include "runtime/exit_handlers.h"
#include "tests/proc_support.h"

namespace lexidor {
namespace {

using test::OpenDescriptorCount;
using test::ReadProcFile;

bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The process state letter from /proc, or 0 when there is no such process.
char ProcessState(pid_t pid) {
  std::string text = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  size_t paren = text.rfind(')');
  if (paren == std::string::npos || paren + 2 >= text.size()) return 0;
  return text[paren + 2];
}

// Gone, or ended and waiting for a parent that is not us to collect it.
bool Ended(pid_t pid) {
  char state = ProcessState(pid);
  return state == 0 || state == 'Z' || state == 'X';
}

bool InRunningProcesses(const ProcessRef& process) {
  auto& list = RunningProcesses();
  return std::find(list.begin(), list.end(), process) != list.end();
}

// The next complete line of the child's output, waiting up to 5 s for it.
String AwaitLine(TPipeStream& pipe) {
  String line;
  WaitUntil([&] { return pipe.NextLine(line) == TPipeStream::LINE_COMPLETE; });
  return line;
}

// While it lives, ended children stay for waitpid instead of being reaped.
class WithoutReaper {
 public:
  WithoutReaper() {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigaction(SIGCHLD, &standard, &saved_);
  }
  ~WithoutReaper() { sigaction(SIGCHLD, &saved_, nullptr); }

 private:
  struct sigaction saved_;
};

class ProcessTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { InitProcessModule(); }
  void TearDown() override {
    TProcess::TerminateAll();
    EXPECT_TRUE(RunningProcesses().empty());
  }
};

TEST_F(ProcessTest, StatusIsOneWhileRunningAndZeroAfterTheReaperCollected) {
  ProcessRef p = LaunchProcess(u"/bin/sh -c \"read x\"", 1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->name, u"/bin/sh -c \"read x\"");
  EXPECT_TRUE(InRunningProcesses(p));
  EXPECT_EQ(p->Status(), 1);
  EXPECT_EQ(ProcessStatus(p), 1);
  pid_t pid = p->handle;
  p->pipe->WriteLine(u"go");
  // The reaper collects it: the process entry vanishes altogether.
  ASSERT_TRUE(WaitUntil([&] { return ProcessState(pid) == 0; }));
  EXPECT_EQ(p->Status(), 0);
  EXPECT_EQ(p->Status(), 0);
  // Ended is not terminated: still listed, handle kept.
  EXPECT_TRUE(InRunningProcesses(p));
  EXPECT_EQ(p->handle, pid);
}

TEST_F(ProcessTest, StatusCollectsAnEndedChildItself) {
  WithoutReaper ours;
  ProcessRef p = LaunchProcess(u"/bin/true", 1);
  ASSERT_TRUE(p);
  pid_t pid = p->handle;
  EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) == 'Z'; }));
  EXPECT_EQ(p->Status(), 0);
  EXPECT_EQ(ProcessState(pid), 0);  // collected by Status
}

TEST_F(ProcessTest, ReadLineFollowsTheChildsOutput) {
  ProcessRef p = LaunchProcess(u"/bin/sh -c \"printf abc; sleep 0.3; printf 'def\\r\\nx\\n'\"", 1);
  ASSERT_TRUE(p);
  ASSERT_TRUE(WaitUntil([&] { return p->pipe->ReadAvail() > 0 || p->pipe->bufferpos > 0; }));
  EXPECT_EQ(p->pipe->ReadLine(), u"");
  EXPECT_EQ(p->pipe->bufferpos, 3);
  EXPECT_EQ(AwaitLine(*p->pipe), u"abcdef");
  EXPECT_EQ(AwaitLine(*p->pipe), u"x");
}

TEST_F(ProcessTest, CloseTwiceIsHarmlessAndFreesThePipes) {
  int before = OpenDescriptorCount();
  ProcessRef p = LaunchProcess(u"/bin/true", 1);
  ASSERT_TRUE(p);
  EXPECT_EQ(OpenDescriptorCount(), before + 3);
  EXPECT_EQ(p->Close(), 0);
  EXPECT_EQ(p->pipe, nullptr);
  EXPECT_EQ(p->err, nullptr);
  EXPECT_EQ(p->Close(), 0);
  EXPECT_EQ(OpenDescriptorCount(), before);
  // Closing neither stops nor unlists it.
  EXPECT_TRUE(InRunningProcesses(p));
}

TEST_F(ProcessTest, TerminateReachesAGrandchildInTheChildsGroup) {
  ProcessRef p = LaunchProcess(u"/bin/sh -c \"sleep 30 & echo $!; wait\"", 1);
  ASSERT_TRUE(p);
  pid_t child = p->handle;
  pid_t grandchild = static_cast<pid_t>(std::atoi(ToLatin1(AwaitLine(*p->pipe)).c_str()));
  ASSERT_GT(grandchild, 0);
  EXPECT_FALSE(Ended(grandchild));
  EXPECT_EQ(p->Terminate(), 0);
  EXPECT_EQ(p->handle, 0);
  EXPECT_FALSE(InRunningProcesses(p));
  EXPECT_TRUE(WaitUntil([&] { return Ended(grandchild) && Ended(child); }));
  EXPECT_EQ(p->Status(), 0);
  // A second Terminate finds nothing to do; the pipes are still there.
  EXPECT_EQ(TerminateProcess(p), 0);
  EXPECT_NE(p->pipe, nullptr);
}

TEST_F(ProcessTest, TerminateRightAfterTheStartReachesTheChild) {
  // The child's own group must exist by the time Create returns.
  for (int k = 0; k < 30; ++k) {
    ProcessRef p = LaunchProcess(u"/bin/sleep 30", 1);
    ASSERT_TRUE(p);
    pid_t pid = p->handle;
    ASSERT_EQ(p->Terminate(), 0) << "round " << k;
    EXPECT_TRUE(WaitUntil([&] { return Ended(pid); })) << "round " << k;
  }
}

TEST_F(ProcessTest, TerminateOfAnEndedChildReportsTheMissingGroup) {
  ProcessRef p = LaunchProcess(u"/bin/true", 1);
  ASSERT_TRUE(p);
  pid_t pid = p->handle;
  ASSERT_TRUE(WaitUntil([&] { return ProcessState(pid) == 0; }));
  EXPECT_EQ(p->Terminate(), -1);
  EXPECT_EQ(p->handle, 0);
  EXPECT_FALSE(InRunningProcesses(p));
}

TEST_F(ProcessTest, TerminateAllRunsAtExit) {
  WithoutReaper ours;  // the helper's status is ours to collect
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  pid_t helper = fork();
  ASSERT_GE(helper, 0);
  if (helper == 0) {
    // A program of its own: start two children, then quit normally.
    close(report[0]);
    RunningProcesses().clear();
    ProcessRef a = LaunchProcess(u"/bin/sh -c \"sleep 30 & echo $!; wait\"", 1);
    ProcessRef b = LaunchProcess(u"/bin/sleep 30", 1);
    if (!a || !b) _exit(3);
    std::string pids = std::to_string(a->handle) + " " + ToLatin1(AwaitLine(*a->pipe)) + " " +
                       std::to_string(b->handle) + "\n";
    if (write(report[1], pids.data(), pids.size()) < 0) _exit(4);
    QuitProgram(0);
  }
  close(report[1]);
  char buf[128] = {};
  ssize_t n;
  do {
    n = read(report[0], buf, sizeof buf - 1);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  int status = -1;
  while (waitpid(helper, &status, 0) < 0 && errno == EINTR) {
  }
  ASSERT_GT(n, 0);
  pid_t child_a = 0, grandchild = 0, child_b = 0;
  ASSERT_EQ(std::sscanf(buf, "%d %d %d", &child_a, &grandchild, &child_b), 3) << buf;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(WaitUntil([&] { return Ended(child_a) && Ended(grandchild) && Ended(child_b); }));
}

TEST_F(ProcessTest, MissingProgramGivesAProcessThatEndsAtOnce) {
  ProcessRef p = LaunchProcess(u"/nonexistent/docbake", 1);
  ASSERT_TRUE(p);
  char byte;
  EXPECT_EQ(p->pipe->Read(&byte, 1), 0);  // end of data
  EXPECT_TRUE(WaitUntil([&] { return p->Status() == 0; }));
  EXPECT_EQ(p->pipe->ReadLine(), u"");
  EXPECT_EQ(p->pipe->bufferpos, 0);
}

TEST_F(ProcessTest, NothingToStartGivesNull) {
  size_t before = RunningProcesses().size();
  EXPECT_EQ(LaunchProcess(u"", 1), nullptr);
  EXPECT_EQ(LaunchProcess(u"   ", 1), nullptr);
  EXPECT_EQ(RunningProcesses().size(), before);
  EXPECT_EQ(ProcessStatus(nullptr), 0);
  EXPECT_EQ(TerminateProcess(nullptr), 0);
}

TEST_F(ProcessTest, QuotedProgramPathMayHoldBlanks) {
  char pattern[] = "/tmp/lexidor proc XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string dir = pattern;
  std::string script = dir + "/echo args";
  {
    std::ofstream out(script);
    out << "#!/bin/sh\necho \"[$1][$2]\"\n";
  }
  chmod(script.c_str(), 0755);
  ProcessRef p = LaunchProcess(FromLatin1("\"" + script + "\" -x \"a b\""), 1);
  ASSERT_TRUE(p);
  EXPECT_EQ(AwaitLine(*p->pipe), u"[-x][a b]");
  unlink(script.c_str());
  rmdir(dir.c_str());
}

TEST_F(ProcessTest, FatalSignalPathReachesRecordedGroups) {
  int recorded = RecordedProcessGroupCount();
  ProcessRef p = LaunchProcess(u"/bin/sh -c \"sleep 30 & echo $!; wait\"", 1);
  ASSERT_TRUE(p);
  pid_t child = p->handle;
  pid_t grandchild = static_cast<pid_t>(std::atoi(ToLatin1(AwaitLine(*p->pipe)).c_str()));
  EXPECT_EQ(RecordedProcessGroupCount(), recorded + 1);
  EXPECT_EQ(SignalRunningProcessGroups(SIGTERM), recorded + 1);
  EXPECT_TRUE(WaitUntil([&] { return Ended(grandchild) && Ended(child); }));
  p->Terminate();
  EXPECT_EQ(RecordedProcessGroupCount(), recorded);
}

}  // namespace
}  // namespace lexidor
