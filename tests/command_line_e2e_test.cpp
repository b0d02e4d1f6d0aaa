// The program's options and the directories a user names, run as a user
// runs them: from a directory of their own, with a home of their own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::ReadFile;
using test::RunOptions;
using test::WriteFile;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A private copy of the program, a home holding a kit, and a separate
// working directory holding another.
class Options : public testing::Test {
 protected:
  Options() : dir_("lexidor-options") {
    prog_ = dir_.Sub("prog");
    home_ = dir_.Sub("home");
    work_ = dir_.Sub("work");
    test::MakeDirs(prog_);
    for (const std::string& kit : {home_ + "/kit", work_ + "/kit"}) {
      test::MakeDirs(kit + "/docs/html/Modules");
      WriteFile(kit + "/docs/html/Modules/commands.txt", "A|/docs/html/Modules/a/index.html\n");
    }
    test::CopyFile(test::LexidorBinary(), prog_ + "/Lexidor");
    chmod((prog_ + "/Lexidor").c_str(), 0755);
  }

  test::RunResult Run(std::vector<std::string> args, const std::string& stdin_data = "") {
    RunOptions options;
    options.args = std::move(args);
    options.stdin_data = stdin_data;
    options.env = {{"DISPLAY", ""}, {"HOME", home_}};
    options.working_directory = work_;
    return test::RunProgram(prog_ + "/Lexidor", options);
  }
  std::string Index(const std::string& kit) { return kit + "/docs/html/Modules/command.js"; }
  std::string Config() { return ReadFile(prog_ + "/config.txt"); }

  test::TempDir dir_;
  std::string prog_, home_, work_;
};

TEST_F(Options, OptionsAnswerOrRefuseWithoutBuilding) {
  WriteFile(prog_ + "/config.txt", work_ + "/kit\r\n0\r\n");
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out_start;  // standard output begins so
    const char* err;        // standard error holds this
  } cases[] = {
      {{"-h"}, 0, "Usage: lexidor", ""},
      {{"batch", "--help"}, 0, "Usage: lexidor", ""},
      {{"-V"}, 0, "Lexidor 1.2\n", ""},
      {{"--foo"}, 2, "", "Lexidor: unknown option '--foo'\nTry 'lexidor --help'"},
      {{"--help=x"}, 2, "", "unknown option '--help=x'"},
      {{"-V", "--foo"}, 0, "Lexidor 1.2\n", ""},
      {{"--kit"}, 2, "", "option --kit needs a directory"},
  };
  for (const auto& c : cases) {
    const test::RunResult r = Run(c.args);
    const std::string name = c.args[0];
    EXPECT_EQ(r.exit_status, c.status) << name << r.err;
    EXPECT_EQ(r.out.rfind(c.out_start, 0), 0u) << name << ": " << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << name << ": " << r.err;
    EXPECT_FALSE(Exists(Index(work_ + "/kit"))) << name << " built";
  }
  // After "--" an option-like argument is just an argument: it builds.
  const test::RunResult r = Run({"--", "--foo"});
  EXPECT_EQ(r.exit_status, 0) << r.out << r.err;
  EXPECT_TRUE(Exists(Index(work_ + "/kit")));
}

TEST_F(Options, KitBuildsTheNamedKitWithoutAskingOrStoringIt) {
  // With no settings at all: nothing is asked (standard input is at its
  // end) and no settings file appears.
  test::RunResult r = Run({"--kit", "kit"});
  ASSERT_EQ(r.exit_status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("Enter a directory name:"), std::string::npos) << r.out;
  EXPECT_TRUE(Exists(Index(work_ + "/kit")));
  EXPECT_FALSE(Exists(prog_ + "/config.txt"));
  // With stored settings: they name the other kit and stay as they were.
  WriteFile(prog_ + "/config.txt", home_ + "/kit\r\n0\r\n");
  r = Run({"--kit=~/kit/"});
  ASSERT_EQ(r.exit_status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Quandrel dir  : " + home_ + "/kit\r\n"), std::string::npos) << r.out;
  EXPECT_TRUE(Exists(Index(home_ + "/kit")));
  EXPECT_EQ(Config(), home_ + "/kit\r\n0\r\n");
  // A kit that is not there is a failure that names the file.
  r = Run({"--kit", "nowhere"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.out.find(work_ + "/nowhere"), std::string::npos) << r.out;
}

TEST_F(Options, ATypedKitIsRelativeToWhereTheProgramStarted) {
  const struct {
    const char* typed;
    std::string stored;
  } cases[] = {
      {"kit", work_ + "/kit"},
      {"./kit/", work_ + "/kit"},
      {"~/kit", home_ + "/kit"},
  };
  for (const auto& c : cases) {
    unlink((prog_ + "/config.txt").c_str());
    const test::RunResult r = Run({"batch"}, std::string(c.typed) + "\n");
    EXPECT_EQ(r.exit_status, 0) << c.typed << r.out << r.err;
    EXPECT_EQ(Config(), c.stored + "\r\n0\r\n") << c.typed;
    EXPECT_TRUE(Exists(Index(c.stored))) << c.typed;
  }
}

}  // namespace
}  // namespace lexidor
