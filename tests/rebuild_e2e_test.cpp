// The built program rebuilding a kit's documentation before indexing it, in
// batch mode, with the sample kit's own builder.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/browser_support.h"
#include "tests/proc_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::ReadProcFile;

using test::ReadFile;
using test::RunOptions;
using test::WriteFile;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Fields of /proc/<pid>/stat after the command name: state, then parent,
// group, session...
std::vector<std::string> StatFields(const std::string& pid) {
  std::string text = ReadProcFile("/proc/" + pid + "/stat");
  std::vector<std::string> fields;
  size_t paren = text.rfind(')');
  if (paren == std::string::npos) return fields;
  std::string field;
  for (size_t k = paren + 2; k < text.size(); ++k) {
    if (text[k] == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field += text[k];
    }
  }
  return fields;
}

std::vector<std::string> ProcessIds() {
  std::vector<std::string> pids;
  DIR* dir = opendir("/proc");
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') pids.push_back(entry->d_name);
  }
  closedir(dir);
  return pids;
}

// The pid of a running process whose command line holds `text`, or "".
std::string FindProcess(const std::string& text) {
  for (const std::string& pid : ProcessIds()) {
    std::string cmdline = ReadProcFile("/proc/" + pid + "/cmdline");
    if (cmdline.find(text) != std::string::npos) return pid;
  }
  return "";
}

// Processes of session `sid` that have not ended (zombies waiting for a
// parent that is not ours do not count).
int LiveMembersOfSession(const std::string& sid) {
  int count = 0;
  for (const std::string& pid : ProcessIds()) {
    std::vector<std::string> f = StatFields(pid);
    if (f.size() > 3 && f[3] == sid && f[0] != "Z" && f[0] != "X") ++count;
  }
  return count;
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A private copy of the program and of the sample kit, its command list
// replaced by a stale one so that a rebuild shows.
class Rebuild : public testing::Test {
 protected:
  Rebuild() : dir_("lexidor-rebuild") {
    prog_ = dir_.Sub("prog");
    test::MakeDirs(prog_);
    test::CopyFile(test::LexidorBinary(), Program());
    chmod(Program().c_str(), 0755);
    shipped_list_ = ReadFile(test::SampleKit() + "/docs/html/Modules/commands.txt");
  }

  std::string Program() const { return prog_ + "/Lexidor"; }

  void MakeKit(const std::string& kit) {
    std::filesystem::copy(test::SampleKit(), kit, std::filesystem::copy_options::recursive);
    WriteFile(kit + "/docs/html/Modules/commands.txt", "Stale|/docs/html/Modules/s/index.html\r\n");
    WriteFile(prog_ + "/config.txt", kit + "\r\n1\r\n");
  }

  RunOptions Options() {
    RunOptions options;
    options.args = {"batch"};
    options.env["DISPLAY"] = "";
    return options;
  }

  // The rebuild ran and its progress came first, line by line; then the
  // index was built from the new list.
  void ExpectRebuiltAndIndexed(const std::string& kit, const test::RunResult& r) {
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ReadFile(kit + "/docs/html/Modules/commands.txt") == shipped_list_)
        << "commands.txt was not regenerated";
    const std::string echo = "<" + Program() + "><batch>\r\n";
    ASSERT_EQ(r.out.compare(0, echo.size(), echo), 0) << r.out;
    EXPECT_EQ(r.out.compare(echo.size(), 35, "docbake: core/core.event 21 command"), 0) << r.out;
    EXPECT_EQ(Count(r.out, "docbake: "), 22u) << r.out;
    size_t total =
        r.out.find("docbake: 330 commands from 20 modules in docs/html/Modules/commands.txt\r\n");
    size_t index = r.out.find("Quandrel dir  : " + kit + "\r\n");
    ASSERT_NE(total, std::string::npos) << r.out;
    ASSERT_NE(index, std::string::npos) << r.out;
    EXPECT_LT(total, index);
    EXPECT_NE(r.out.find("Total commands: 330 "), std::string::npos) << r.out;
    std::string commands = ReadFile(kit + "/docs/html/Modules/command.js");
    EXPECT_EQ(commands.find("\"Stale\""), std::string::npos);
    EXPECT_EQ(Count(commands, "\",\"") + 1, 330u);
  }

  test::TempDir dir_;
  std::string prog_;
  std::string shipped_list_;
};

TEST_F(Rebuild, BatchRunWithTheFlagSetRebuildsThenIndexes) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  test::RunResult r = test::RunProgram(Program(), Options());
  ExpectRebuiltAndIndexed(kit, r);
}

// The text index is built from the pages as the builder left them.
TEST_F(Rebuild, TheTextIndexReadsThePagesTheBuilderWrote) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  WriteFile(prog_ + "/config.txt", kit + "\r\n0\r\n");
  test::RunResult first = test::RunProgram(Program(), Options());
  ASSERT_EQ(first.exit_status, 0) << first.err;
  const size_t at = first.out.find("Full text: ");
  ASSERT_NE(at, std::string::npos) << first.out;
  const int pages = std::stoi(first.out.substr(at + 11));
  WriteFile(kit + "/bin/docbake",
            "#!/bin/sh\nroot=$(cd \"$(dirname \"$0\")/..\" && pwd)\n"
            "printf '<p>builtword</p>' > \"$root/docs/html/built.html\"\n");
  WriteFile(prog_ + "/config.txt", kit + "\r\n1\r\n");
  test::RunResult r = test::RunProgram(Program(), Options());
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_NE(r.out.find("Full text: " + std::to_string(pages + 1) + " pages"), std::string::npos)
      << r.out;
}

TEST_F(Rebuild, KitPathHoldingBlanksRebuilds) {
  std::string kit = dir_.Sub("my  quandrel kit");
  MakeKit(kit);
  test::RunResult r = test::RunProgram(Program(), Options());
  ExpectRebuiltAndIndexed(kit, r);
}

TEST_F(Rebuild, KitPathHoldingQuotesRebuilds) {
  for (const char* name : {"the\"kit\"", "quote\" and blank"}) {
    SCOPED_TRACE(name);
    std::string kit = dir_.Sub(name);
    MakeKit(kit);
    WriteFile(prog_ + "/config.txt", kit + "\r\n1\r\n");
    test::RunResult r = test::RunProgram(Program(), Options());
    ExpectRebuiltAndIndexed(kit, r);
  }
}

// A kit path beginning with a quote, relative to the program's folder: the
// builder checked is the one that runs, not the one a command line would
// name without the quote.
TEST_F(Rebuild, TheBuilderCheckedIsTheBuilderRun) {
  MakeKit(prog_ + "/\"rel");
  test::MakeDirs(prog_ + "/rel/bin");
  WriteFile(prog_ + "/rel/bin/docbake", "#!/bin/sh\necho decoy ran\n");
  chmod((prog_ + "/rel/bin/docbake").c_str(), 0755);
  WriteFile(prog_ + "/config.txt", "\"rel\r\n1\r\n");
  test::RunResult r = test::RunProgram(Program(), Options());
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out.find("decoy"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("docbake: 330 commands"), std::string::npos) << r.out;
}

TEST_F(Rebuild, ABuilderThatCannotRunIsNamedAndTheIndexStillBuilds) {
  struct Case {
    const char* dir;
    std::function<void(const std::string& builder)> spoil;
    const char* reason;
  };
  const Case cases[] = {
      {"missing", [](const std::string& b) { test::RemoveTree(b); }, "No such file or directory"},
      {"not executable", [](const std::string& b) { chmod(b.c_str(), 0644); }, "Permission denied"},
      {"a directory",
       [](const std::string& b) {
         test::RemoveTree(b);
         test::MakeDirs(b);
       },
       "not a file"},
      // Executable, yet the system cannot run it.
      {"no interpreter line", [](const std::string& b) { WriteFile(b, "echo docbake: ran\n"); },
       "Exec format error"},
      {"a missing interpreter",
       [](const std::string& b) { WriteFile(b, "#!/nonexistent/interp\necho docbake: ran\n"); },
       "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dir);
    std::string kit = dir_.Sub(c.dir);
    MakeKit(kit);
    WriteFile(prog_ + "/config.txt", kit + "\r\n1\r\n");
    c.spoil(kit + "/bin/docbake");
    test::RunResult r = test::RunProgram(Program(), Options());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.err, "Lexidor: Cannot run " + kit + "/bin/docbake: " + c.reason + "\n");
    EXPECT_EQ(r.out.find("docbake: "), std::string::npos) << "nothing ran";
    EXPECT_NE(r.out.find("Total commands: 1 "), std::string::npos) << r.out;
  }
}

// What the builder writes on standard error starts on a line of its own,
// not after the argument echo, where both go to one terminal.
TEST_F(Rebuild, BuilderErrorLinesStartOnTheirOwnLine) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  WriteFile(kit + "/bin/docbake", "#!/bin/sh\necho only stderr >&2\n");
  RunOptions options = Options();
  options.args = {"-c", "exec \"$0\" batch 2>&1", Program()};
  test::RunResult r = test::RunProgram("/bin/sh", options);
  EXPECT_EQ(r.exit_status, 0) << r.out;
  const std::string start = "<" + Program() + "><batch>\r\nonly stderr\n";
  EXPECT_EQ(r.out.substr(0, start.size()), start);
}

// Killed outright, the program cannot end its builder: the builder ends
// with it instead of going on to change the kit's files.
TEST_F(Rebuild, AKilledProgramTakesItsBuilderWithIt) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  const std::string marker = kit + "/still-building";
  WriteFile(kit + "/bin/docbake",
            "#!/bin/sh\necho docbake: started\nsleep 2\necho late > '" + marker + "'\n");
  std::string out = dir_.Sub("out"), err = dir_.Sub("err");
  pid_t pid = test::StartProgram(Program(), Options(), out, err);
  ASSERT_TRUE(
      WaitUntil([&] { return ReadFile(out).find("docbake: started") != std::string::npos; }, 20000))
      << ReadFile(out);
  kill(pid, SIGKILL);
  EXPECT_EQ(test::WaitProgram(pid, 10000), 128 + SIGKILL);
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EXPECT_FALSE(access(marker.c_str(), F_OK) == 0) << "the builder went on after the program died";
}

TEST_F(Rebuild, FlagZeroRunsNoBuilder) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  WriteFile(prog_ + "/config.txt", kit + "\r\n0\r\n");
  test::RunResult r = test::RunProgram(Program(), Options());
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out.find("docbake"), std::string::npos);
  EXPECT_EQ(ReadFile(kit + "/docs/html/Modules/commands.txt"),
            "Stale|/docs/html/Modules/s/index.html\r\n");
}

TEST_F(Rebuild, BuilderFailureIsShownAndTheIndexStillBuilds) {
  std::string kit = dir_.Sub("kit");
  MakeKit(kit);
  RunOptions options = Options();
  options.env["DOCBAKE_DELAY"] = "soon";
  test::RunResult r = test::RunProgram(Program(), options);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  // The builder's complaint reaches our standard error as it wrote it.
  EXPECT_EQ(r.err, "docbake: DOCBAKE_DELAY must be a number of seconds, not 'soon'\n");
  EXPECT_NE(r.out.find("Total commands: 1 "), std::string::npos) << r.out;
}

TEST_F(Rebuild, EndingTheProgramEndsASlowBuilder) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    std::string kit = dir_.Sub("kit" + std::to_string(signal_number));
    MakeKit(kit);
    RunOptions options = Options();
    // Three seconds after each module: long enough that a builder ending
    // by itself (its next progress line meets the closed pipe) comes far
    // later than one ended by the signal.
    options.env["DOCBAKE_DELAY"] = "3";
    std::string out = dir_.Sub("out"), err = dir_.Sub("err");
    pid_t pid = test::StartProgram(Program(), options, out, err);
    // The first progress line shows while the builder still runs.
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFile(out).find("docbake: core/core.event") != std::string::npos; }, 20000))
        << ReadFile(out);
    std::string builder = FindProcess(kit + "/bin/docbake");
    ASSERT_NE(builder, "");
    ASSERT_EQ(StatFields(builder).at(3), builder);  // it leads its own session
    EXPECT_GT(LiveMembersOfSession(builder), 0);

    kill(pid, signal_number);
    EXPECT_EQ(test::WaitProgram(pid, 10000), 128 + signal_number);
    EXPECT_EQ(ReadFile(err).substr(0, 29), "appstub.linux signal handler ");
    EXPECT_TRUE(WaitUntil([&] { return LiveMembersOfSession(builder) == 0; }, 1500))
        << "builder session " << builder << " still has processes";
    // The builder was cut short: the stale list stays.
    EXPECT_EQ(ReadFile(kit + "/docs/html/Modules/commands.txt"),
              "Stale|/docs/html/Modules/s/index.html\r\n");
  }
}

}  // namespace
}  // namespace lexidor
