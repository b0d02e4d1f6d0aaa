// The Debian package, made with this build's CPack, unpacked into a
// throwaway root and run from there as an unprivileged user with a fresh
// home: the way a user meets the installed program.
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "app/app_state.h"
#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::ReadFile;
using test::RunOptions;
using test::RunProgram;
using test::RunResult;

constexpr uid_t kNobody = 65534;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

RunResult Tool(const std::string& program, std::vector<std::string> args) {
  RunOptions options;
  options.args = std::move(args);
  options.timeout_ms = 180000;
  return RunProgram(program, options);
}

uid_t owner_for_chown;
int ChownEntry(const char* path, const struct stat*, int, FTW*) {
  return lchown(path, owner_for_chown, owner_for_chown);
}

class Package : public testing::Test {
 protected:
  Package() : dir_("lexidor-package") {
    // The unprivileged user must reach the temporary folders.
    chmod(dir_.path().c_str(), 0755);
    root_ = dir_.Sub("root");
    home_ = dir_.Sub("home");
    kit_ = dir_.Sub("kit");
    program_ = root_ + "/usr/bin/lexidor";
    test::MakeDirs(home_);
    test::CopyTree(test::SampleKit(), kit_);
  }

  // Runs the installed program as `nobody` when the test runs as root;
  // otherwise as the test's own user, with the program's folder read-only.
  RunResult RunInstalled(std::vector<std::string> args, const std::string& stdin_data = "") {
    RunOptions options;
    options.stdin_data = stdin_data;
    options.env = {{"HOME", home_}, {"XDG_CONFIG_HOME", ""}, {"DISPLAY", ""}};
    options.working_directory = "/";
    if (getuid() != 0) {
      options.args = std::move(args);
      return RunProgram(program_, options);
    }
    options.args = {"--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNobody),
                    "--clear-groups", program_};
    options.args.insert(options.args.end(), args.begin(), args.end());
    return RunProgram("/usr/bin/setpriv", options);
  }

  test::TempDir dir_;
  std::string root_, home_, kit_, program_;
};

TEST_F(Package, InstalledProgramKeepsItsSettingsInTheUsersHome) {
  // Build the package into a folder of its own and unpack it.
  const std::string version = ToUtf8(kVersionText);
  const std::string deb = dir_.Sub("lexidor_" + version + "_amd64.deb");
  RunResult made =
      Tool(LEXIDOR_CPACK,
           {"--config", std::string(LEXIDOR_BINARY_DIR) + "/CPackConfig.cmake", "-B", dir_.path()});
  ASSERT_EQ(made.exit_status, 0) << made.out << made.err;
  ASSERT_TRUE(Exists(deb)) << made.out;
  RunResult depends = Tool("/usr/bin/dpkg-deb", {"-f", deb, "Depends"});
  EXPECT_NE(depends.out.find("libfltk1.3"), std::string::npos) << depends.out;
  RunResult lint = Tool("/usr/bin/lintian", {deb});
  EXPECT_EQ(lint.out.find("E: "), std::string::npos) << lint.out;
  ASSERT_EQ(Tool("/usr/bin/dpkg-deb", {"-x", deb, root_}).exit_status, 0);
  for (const char* file :
       {"/usr/share/applications/lexidor.desktop", "/usr/share/man/man1/lexidor.1.gz",
        "/usr/share/icons/hicolor/scalable/apps/lexidor.svg",
        "/usr/share/icons/hicolor/48x48/apps/lexidor.png"}) {
    EXPECT_TRUE(Exists(root_ + file)) << file;
  }
  RunResult desktop =
      Tool("/usr/bin/desktop-file-validate", {root_ + "/usr/share/applications/lexidor.desktop"});
  EXPECT_EQ(desktop.exit_status, 0) << desktop.out << desktop.err;

  if (getuid() == 0) {
    owner_for_chown = kNobody;
    ASSERT_EQ(nftw(home_.c_str(), ChownEntry, 16, FTW_PHYS), 0);
    ASSERT_EQ(nftw(kit_.c_str(), ChownEntry, 16, FTW_PHYS), 0);
  } else {
    chmod((root_ + "/usr/bin").c_str(), 0555);
  }
  const std::string settings = home_ + "/.config/lexidor";

  RunResult help = RunInstalled({"--help"});
  EXPECT_EQ(help.exit_status, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: lexidor", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("setting): " + settings + "/config.txt\n"), std::string::npos)
      << help.out;
  RunResult shown = RunInstalled({"--version"});
  EXPECT_EQ(shown.exit_status, 0);
  EXPECT_EQ(shown.out, "Lexidor " + version + "\n");
  EXPECT_FALSE(Exists(home_ + "/.config")) << "--help and --version write nothing";

  // First run: no settings anywhere, so the kit's folder is asked for on
  // the console, and the answer is kept in the user's settings folder.
  RunResult first = RunInstalled({"batch"}, kit_ + "\n");
  ASSERT_EQ(first.exit_status, 0) << first.out << first.err;
  EXPECT_NE(first.out.find("\r\nSettings: " + settings + "/config.txt\r\n"), std::string::npos)
      << first.out;
  EXPECT_EQ(ReadFile(settings + "/config.txt"), kit_ + "\r\n0\r\n");
  const std::string button = ReadFile(kit_ + "/docs/html/button.js");
  EXPECT_NE(button.find("href='" + program_ + "'"), std::string::npos) << button;
  EXPECT_EQ(ReadFile(settings + "/button.js"), button);
  EXPECT_FALSE(Exists(root_ + "/usr/bin/config.txt"));
  EXPECT_FALSE(Exists(root_ + "/usr/bin/button.js"));

  // Second run: the settings are read back; nothing is asked (standard
  // input is at its end, which would leave no kit and fail the run).
  const std::string commands = kit_ + "/docs/html/Modules/command.js";
  ASSERT_EQ(unlink(commands.c_str()), 0);
  RunResult second = RunInstalled({"batch"});
  ASSERT_EQ(second.exit_status, 0) << second.out << second.err;
  EXPECT_EQ(second.out.find("Enter a directory name:"), std::string::npos) << second.out;
  EXPECT_TRUE(Exists(commands));
}

}  // namespace
}  // namespace lexidor
