#include "app/rebuild_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gui/events/event.h"
#include "gui/events/event_queue.h"
#include "gui/system/linux_system_driver.h"
#include "process/process.h"
#include "process/process_module.h"
#include "process/spawn.h"
#include "tests/proc_support.h"

namespace lexidor {
namespace {

using test::OpenDescriptorCount;

double CpuSeconds() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Collects what the callback is given.
struct Lines {
  std::vector<String> lines;
  OutputLineCallback callback() {
    return [this](const String& line) { lines.push_back(line); };
  }
};

// Standard error redirected into a file for the object's lifetime.
class CapturedStandardError {
 public:
  CapturedStandardError() : path_(std::string("/tmp/lexidor-stderr-") + std::to_string(getpid())) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
  ~CapturedStandardError() {
    Restore();
    unlink(path_.c_str());
  }
  std::string Text() {
    Restore();
    std::ifstream in(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }
  std::string path_;
  int saved_ = -1;
};

class RunAndCollectTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");  // the console driver, whatever the machine has
    InitSystemModule();
    InitEventQueueModule();
    InitProcessModule();
  }
  void TearDown() override {
    // Every run cleans up after itself.
    EXPECT_TRUE(RunningProcesses().empty());
    EXPECT_EQ(RecordedProcessGroupCount(), 0);
  }
  static String Shell(const std::string& script) {
    return FromLatin1("/bin/sh -c \"" + script + "\"");
  }
};

TEST_F(RunAndCollectTest, LinesRunTogetherAndReachTheCallbackOneByOne) {
  Lines seen;
  EXPECT_EQ(RunAndCollect(Shell("echo one; echo; printf 'two\\r\\n'"), 1, seen.callback()),
            u"onetwo");
  EXPECT_EQ(seen.lines, (std::vector<String>{u"one", u"", u"two"}));
  EXPECT_EQ(RunAndCollect(Shell("echo one; echo two"), 1), u"onetwo");
}

TEST_F(RunAndCollectTest, MissingBuilderGivesEmptyResultAtOnce) {
  Lines seen;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndCollect(u"\"/nonexistent dir/bin/docbake\"", 1, seen.callback()), u"");
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_TRUE(seen.lines.empty());
  EXPECT_EQ(RunAndCollect(u"", 1, seen.callback()), u"");
}

// The builder is started by its path as it stands: the file checked is the
// file run, whatever quotes or blanks the path holds.  A decoy sits where a
// command-line reading of the path would lead.
TEST_F(RunAndCollectTest, ProgramsRunByTheirExactPath) {
  char pattern[] = "/tmp/lexidor_exact_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  auto script = [&](const std::string& rel, const std::string& says) {
    std::system(("mkdir -p '" + dir + "/" + rel + "' && printf '#!/bin/sh\\necho " + says +
                 "\\n' > '" + dir + "/" + rel + "/docbake' && chmod +x '" + dir + "/" + rel +
                 "/docbake'")
                    .c_str());
  };
  script("rel", "decoy");
  script("\"rel", "quoted");
  script("a\"b c", "quote-and-blank");
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  EXPECT_EQ(RunProgramAndCollect(u"\"rel/docbake", 1), u"quoted");
  EXPECT_EQ(RunProgramAndCollect(u"a\"b c/docbake", 1), u"quote-and-blank");
  EXPECT_EQ(RunProgramAndCollect(u"missing/docbake", 1), u"");
  ASSERT_EQ(chdir(saved), 0);
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST_F(RunAndCollectTest, TheChildReadsAnEmptyStandardInput) {
  auto start = std::chrono::steady_clock::now();
  // 124 would mean that `cat` waited for input until timeout stopped it.
  EXPECT_EQ(RunAndCollect(Shell("timeout 5 cat; echo status $?"), 1), u"status 0");
  EXPECT_LT(SecondsSince(start), 4.0);
}

TEST_F(RunAndCollectTest, TrailingPartialLineIsTheLastLine) {
  Lines seen;
  EXPECT_EQ(RunAndCollect(Shell("printf 'a\\nlast'"), 1, seen.callback()), u"alast");
  EXPECT_EQ(seen.lines, (std::vector<String>{u"a", u"last"}));
}

TEST_F(RunAndCollectTest, ManyQuickLinesAllArriveInOrder) {
  Lines seen;
  String all = RunAndCollect(Shell("i=0; while [ $i -lt 300 ]; do echo l$i; i=$((i+1)); done"), 1,
                             seen.callback());
  ASSERT_EQ(seen.lines.size(), 300u);
  for (size_t k = 0; k < seen.lines.size(); ++k) {
    EXPECT_EQ(seen.lines[k], u"l" + IntToString(static_cast<int64_t>(k)));
  }
  EXPECT_EQ(Slice(all, 0, 6), u"l0l1l2");
}

TEST_F(RunAndCollectTest, LongLineReachesTheCallbackWhole) {
  Lines seen;
  String all = RunAndCollect(Shell("head -c 10000 /dev/zero | tr '\\0' x; echo; echo end"), 1,
                             seen.callback());
  EXPECT_TRUE(all == String(10000, u'x') + u"end");
  ASSERT_EQ(seen.lines.size(), 2u);
  EXPECT_TRUE(seen.lines[0] == String(10000, u'x'));
  EXPECT_EQ(seen.lines[1], u"end");
}

TEST_F(RunAndCollectTest, StandardErrorIsPassedOnSoABusyBuilderFinishes) {
  // 1 MB to standard error: far more than a pipe holds.
  CapturedStandardError captured;
  String all =
      RunAndCollect(Shell("yes 'error line' | head -c 1048576 >&2; echo done; printf tail >&2"), 1);
  std::string errors = captured.Text();
  EXPECT_EQ(all, u"done");
  ASSERT_EQ(errors.size(), 1048576u + 5);
  EXPECT_EQ(errors.substr(0, 11), "error line\n");
  EXPECT_EQ(errors.substr(errors.size() - 5), "tail\n");
}

TEST_F(RunAndCollectTest, TenMegabytesAreCollectedWhole) {
  std::string path = "/tmp/lexidor-ten-mb-" + std::to_string(getpid());
  std::string expected;
  {
    std::ofstream out(path, std::ios::binary);
    std::string block;
    for (int n = 0; block.size() < 10 * 1024 * 1024; ++n) {
      std::string line = "line " + std::to_string(n) + " of the generated output";
      expected += line;
      block += line + (n % 3 ? "\n" : "\r\n");
    }
    out << block;
  }
  String all = RunAndCollect(FromLatin1("/bin/cat " + path), 1);
  unlink(path.c_str());
  EXPECT_EQ(all.size(), expected.size());
  EXPECT_TRUE(all == FromLatin1(expected));
}

TEST_F(RunAndCollectTest, EventsQueuedDuringTheRunAreDropped) {
  int queued_in_callback = 0;
  Lines seen;
  OutputLineCallback callback = [&](const String& line) {
    seen.lines.push_back(line);
    MakeEvent(EVENT_WINDOWCLOSE)->Emit();
    queued_in_callback = QueuedEventCount();
  };
  MakeEvent(EVENT_WINDOWCLOSE)->Emit();
  EXPECT_EQ(QueuedEventCount(), 1);
  RunAndCollect(Shell("echo a; sleep 0.2; echo b"), 1, callback);
  EXPECT_EQ(seen.lines, (std::vector<String>{u"a", u"b"}));
  EXPECT_EQ(queued_in_callback, 1);  // it did reach the queue
  EXPECT_EQ(QueuedEventCount(), 0);
}

TEST_F(RunAndCollectTest, WaitingForAPartialLineDoesNotSpin) {
  double cpu = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndCollect(Shell("printf part; sleep 0.6; echo ial"), 1), u"partial");
  EXPECT_GE(SecondsSince(start), 0.6);
  // Polling every 10 ms costs little; a busy loop would burn the 0.6 s.
  EXPECT_LT(CpuSeconds() - cpu, 0.2);
}

TEST_F(RunAndCollectTest, DescendantHoldingThePipeDoesNotHoldTheRunner) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndCollect(Shell("echo a; (sleep 5; echo late) &"), 1), u"a");
  EXPECT_LT(SecondsSince(start), 2.0);
}

TEST_F(RunAndCollectTest, RepeatedRunsLeakNoDescriptors) {
  String warm = RunAndCollect(u"/bin/echo x", 1);
  int before = OpenDescriptorCount();
  for (int k = 0; k < 50; ++k) ASSERT_EQ(RunAndCollect(u"/bin/echo x", 1), u"x");
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(RunAndCollectTest, ThrowingCallbackStillEndsTheChild) {
  OutputLineCallback callback = [](const String&) { throw std::runtime_error("stop"); };
  EXPECT_THROW(RunAndCollect(Shell("echo a; sleep 30"), 1, callback), std::runtime_error);
}

}  // namespace
}  // namespace lexidor
