// Lexidor's window, driven like a user drives it: real clicks and keys on
// the test X server, on a private copy of the program and the sample kit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "tests/browser_support.h"
#include "tests/program_runner.h"
#include "tests/x11_session.h"

namespace lexidor {
namespace {

using test::ClickAt;
using test::FindWindow;
using test::ReadFile;
using test::WaitTitle;
using test::WriteFile;

const char kTitle[] = "Lexidor v.1.2";
const char kTitleRegex[] = "^Lexidor v\\.1\\.2";
// The sample kit's command count.
const char kBuiltTitle[] = "Lexidor v.1.2 Items: 330";

// Where the window's layout puts each control, inside the window.
struct Spot {
  int x, y;
};
constexpr Spot kCheckBox = {18, 65};
constexpr Spot kChange = {355, 40};
constexpr Spot kBuild = {100, 90};
constexpr Spot kClose = {300, 90};

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class MainWindow : public testing::Test {
 protected:
  MainWindow() : dir_("lexidor-window") {
    prog_ = dir_.Sub("prog");
    kit_ = dir_.Sub("kit");
    test::MakeDirs(prog_);
    test::Shell("cp -R '" + test::SampleKit() + "' '" + kit_ + "'");
    test::CopyFile(test::LexidorBinary(), prog_ + "/Lexidor");
    chmod((prog_ + "/Lexidor").c_str(), 0755);
  }
  ~MainWindow() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      test::WaitProgram(pid_, 5000);
    }
  }

  std::string Config() { return ReadFile(prog_ + "/config.txt"); }
  void SetConfig(const std::string& root, const std::string& flag) {
    WriteFile(prog_ + "/config.txt", root + "\r\n" + flag + "\r\n");
  }

  // Starts the program without arguments and waits for its window.
  std::string Start(std::map<std::string, std::string> env = {}) {
    test::RunOptions options;
    options.env = std::move(env);
    pid_ = test::StartProgram(prog_ + "/Lexidor", options, dir_.Sub("out"), dir_.Sub("err"));
    std::string window = FindWindow(kTitleRegex);
    if (window.empty()) std::cerr << "no window; the program said: " << ReadFile(dir_.Sub("err"));
    return window;
  }
  // Waits for the program to end; its exit status, -1 when it did not.
  int Ended(int timeout_ms = 10000) {
    int status = test::WaitProgram(pid_, timeout_ms);
    if (status >= 0) pid_ = -1;
    return status;
  }
  bool Running() { return pid_ > 0 && kill(pid_, 0) == 0 && test::WaitProgram(pid_, 1) < 0; }
  std::string Out() { return ReadFile(dir_.Sub("out")); }

  // A visible window of the program other than `window` (a message box has
  // no title to find it by), waiting up to 10 s; "" when none shows.
  std::string OtherWindow(const std::string& window) {
    return test::Shell("for i in $(seq 100); do w=$(xdotool search --onlyvisible --pid " +
                       std::to_string(pid_) + " 2>/dev/null | grep -v '^" + window +
                       "$' | head -1); [ -n \"$w\" ] && echo $w && break; sleep 0.1; done");
  }

  // With "Rebuild docs" on and the kit's builder gone, starts the window
  // and clicks BUILD; the notice naming the builder, or "" (a failure is
  // recorded) when the index title or the notice did not come.
  std::string BuildWithoutTheBuilder() {
    SetConfig(kit_, "1");
    test::RemoveTree(kit_ + "/bin/docbake");
    std::string window = Start();
    if (window.empty()) {
      ADD_FAILURE() << "no window: " << ReadFile(dir_.Sub("err"));
      return "";
    }
    ClickAt(window, kBuild.x, kBuild.y);
    // The build does not wait for the notice to be dismissed.
    if (!WaitTitle(window, kBuiltTitle)) {
      ADD_FAILURE() << "title: " << test::WindowTitle(window);
      return "";
    }
    std::string notice = OtherWindow(window);
    if (notice.empty()) ADD_FAILURE() << "no notice";
    return notice;
  }

  // The mean brightness of a rectangle of the window.
  double Brightness(const std::string& window, int x, int y, int w, int h) {
    test::Geometry g = test::WindowGeometry(window);
    return test::MeanBrightness(g.x + x, g.y + y, w, h);
  }

  test::TempDir dir_;
  std::string prog_, kit_;
  pid_t pid_ = -1;
};

TEST_F(MainWindow, FirstRunAsksForTheKitBeforeTheWindowAndStoresIt) {
  test::RunOptions options;
  options.env["HOME"] = dir_.path();
  pid_ = test::StartProgram(prog_ + "/Lexidor", options, dir_.Sub("out"), dir_.Sub("err"));
  std::string chooser = FindWindow("^Find the Quandrel dir$");
  ASSERT_FALSE(chooser.empty()) << ReadFile(dir_.Sub("err"));
  EXPECT_TRUE(test::Shell("xdotool search --onlyvisible --name '" + std::string(kTitleRegex) +
                          "' 2>/dev/null")
                  .empty());  // no window yet
  // The chooser starts in the user's home, where the kit is.  (Return
  // opens the directory, the second Return takes it.)
  test::PressKeys(chooser, "End");
  test::TypeText(chooser, "kit");
  test::PressKeys(chooser, "Return Return");
  std::string window = FindWindow(kTitleRegex);
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(Config(), kit_ + "\r\n0\r\n");
}

TEST_F(MainWindow, ShowsTheStoredKitAndSettingCentredOnTheScreen) {
  SetConfig(kit_, "1");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  EXPECT_EQ(test::WindowTitle(window), kTitle);
  // The desktop matches the window to its menu entry by class (the
  // instance name, and the class name capitalised by convention), and shows
  // its icon.
  EXPECT_EQ(test::Shell("xprop -id " + window + " WM_CLASS"),
            "WM_CLASS(STRING) = \"lexidor\", \"Lexidor\"");
  EXPECT_EQ(test::Shell("xprop -id " + window + " _NET_WM_ICON | head -1"),
            "_NET_WM_ICON(CARDINAL) = \tIcon (48 x 48):");
  test::Geometry g = test::WindowGeometry(window);
  EXPECT_EQ(g.width, 400);
  EXPECT_EQ(g.height, 130);
  // Centred on whatever screen the tests run on.
  const test::Geometry screen = test::ScreenSize();
  EXPECT_EQ(g.x, (screen.width - 400) / 2);
  EXPECT_EQ(g.y, (screen.height - 130) / 2);
  const double ticked = Brightness(window, 12, 57, 14, 14);

  // The same window with the setting off: the box is lighter without its
  // check mark.
  kill(pid_, SIGKILL);
  Ended();
  ASSERT_TRUE(test::WaitWindowGone(kTitleRegex));
  SetConfig(kit_, "0");
  window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  const double clear = Brightness(window, 12, 57, 14, 14);
  EXPECT_GT(clear, ticked + 0.05) << "ticked " << ticked << ", clear " << clear;
}

TEST_F(MainWindow, BuildWritesTheIndexAndTitlesTheCount) {
  SetConfig(kit_, "0");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  ClickAt(window, kBuild.x, kBuild.y);
  ASSERT_TRUE(WaitTitle(window, kBuiltTitle)) << test::WindowTitle(window);
  for (const char* file : {"command.js", "links.js", "modules.js", "mod.js", "commands.html"}) {
    EXPECT_TRUE(Exists(kit_ + "/docs/html/Modules/" + file)) << file;
  }
  EXPECT_TRUE(Exists(kit_ + "/docs/html/index.html"));
  // A second build counts the same list again.
  WriteFile(kit_ + "/docs/html/Modules/command.js", "");
  ClickAt(window, kBuild.x, kBuild.y);
  ASSERT_TRUE(WaitTitle(window, kBuiltTitle)) << test::WindowTitle(window);
  for (int i = 0; i < 100 && ReadFile(kit_ + "/docs/html/Modules/command.js").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_NE(ReadFile(kit_ + "/docs/html/Modules/command.js"), "");
  const std::string out = Out();
  const size_t first = out.find("Total commands: 330 330");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find("Total commands: 330 330", first + 1), std::string::npos);
}

// A build of a kit that another build holds waits for it, saying so in the
// title, and builds when it is free.
TEST_F(MainWindow, ABuildWaitsForAnotherBuildOfTheKit) {
  SetConfig(kit_, "0");
  const int held = open(kit_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  ClickAt(window, kBuild.x, kBuild.y);
  EXPECT_TRUE(WaitTitle(window, "Waiting for another build....")) << test::WindowTitle(window);
  EXPECT_FALSE(Exists(kit_ + "/docs/html/Modules/command.js"));
  close(held);
  EXPECT_TRUE(WaitTitle(window, kBuiltTitle)) << test::WindowTitle(window);
}

// Titles set before long work are on the screen while it runs.
TEST_F(MainWindow, TheIndexTitleShowsWhileALargeListIsIndexed) {
  SetConfig(kit_, "0");
  std::string list;
  for (int i = 0; i < 600000; ++i) {
    list += "Cmd" + std::to_string(i) + "|/docs/html/Modules/m" + std::to_string(i % 50) +
            "/index.html\r\n";
  }
  WriteFile(kit_ + "/docs/html/Modules/commands.txt", list);
  std::string window = Start();
  ASSERT_FALSE(window.empty());
  ClickAt(window, kBuild.x, kBuild.y);
  EXPECT_TRUE(WaitTitle(window, "Creating index....", 20000)) << test::WindowTitle(window);
  ASSERT_TRUE(WaitTitle(window, "Lexidor v.1.2 Items: 600000", 60000)) << test::WindowTitle(window);
}

TEST_F(MainWindow, RebuildRunsTheKitsBuilderAndIgnoresACloseRequestMeanwhile) {
  SetConfig(kit_, "1");
  WriteFile(kit_ + "/docs/html/Modules/commands.txt", "Stale|/docs/html/Modules/x/index.html\n");
  std::string window = Start({{"DOCBAKE_DELAY", "0.1"}});
  ASSERT_FALSE(window.empty());
  ClickAt(window, kBuild.x, kBuild.y);
  ASSERT_TRUE(WaitTitle(window, "Creating documentation....", 5000));
  EXPECT_TRUE(test::SendCloseRequest(window));
  ASSERT_TRUE(WaitTitle(window, kBuiltTitle, 30000)) << test::WindowTitle(window);
  EXPECT_TRUE(Running());  // the close request was dropped
  EXPECT_NE(Out().find("docbake: core/core.stream"), std::string::npos) << Out();
  EXPECT_EQ(ReadFile(kit_ + "/docs/html/Modules/commands.txt"),
            ReadFile(test::SampleKit() + "/docs/html/Modules/commands.txt"));
}

TEST_F(MainWindow, AMissingBuilderIsNamedInANoticeAfterTheIndexIsBuilt) {
  std::string notice = BuildWithoutTheBuilder();
  ASSERT_FALSE(notice.empty());
  test::Shell("xdotool windowfocus --sync " + notice + " key Return");
  EXPECT_NE(ReadFile(dir_.Sub("err")).find("Cannot run " + kit_ + "/bin/docbake"),
            std::string::npos);
}

TEST_F(MainWindow, SigtermWithANoticeOpenEndsWith143AndNoXError) {
  ASSERT_FALSE(BuildWithoutTheBuilder().empty());
  kill(pid_, SIGTERM);
  EXPECT_EQ(Ended(), 128 + SIGTERM);
  // Whatever the X server did with the windows, the program said no more.
  const std::string err = ReadFile(dir_.Sub("err"));
  EXPECT_NE(err.find("appstub.linux signal handler 15\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("X Error"), std::string::npos) << err;
}

TEST_F(MainWindow, ClosingThroughTheWindowManagerKeepsTheStoredSetting) {
  SetConfig(kit_, "0");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  ClickAt(window, kCheckBox.x, kCheckBox.y);
  EXPECT_TRUE(test::SendCloseRequest(window));
  EXPECT_EQ(Ended(), 0);
  EXPECT_EQ(Config(), kit_ + "\r\n0\r\n");
}

TEST_F(MainWindow, CloseStoresTheToggledSetting) {
  SetConfig(kit_, "0");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  ClickAt(window, kCheckBox.x, kCheckBox.y);
  ClickAt(window, kClose.x, kClose.y);
  EXPECT_EQ(Ended(), 0);
  EXPECT_EQ(Config(), kit_ + "\r\n1\r\n");
}

TEST_F(MainWindow, ACancelledChangeEmptiesThePathAndBuildThenAsksForOne) {
  SetConfig(kit_, "0");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  // The path shows in blue on the label.
  const double with_path = Brightness(window, 12, 32, 280, 16);
  ClickAt(window, kChange.x, kChange.y);
  std::string chooser = FindWindow("^Find the Quandrel dir$");
  ASSERT_FALSE(chooser.empty());
  test::Shell("xdotool windowfocus --sync " + chooser + " key Escape");
  ASSERT_TRUE(test::WaitWindowGone("^Find the Quandrel dir$"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Config(), "\r\n0\r\n");
  const double empty = Brightness(window, 12, 32, 280, 16);
  EXPECT_GT(empty, with_path + 0.01) << "with path " << with_path << ", empty " << empty;

  ClickAt(window, kBuild.x, kBuild.y);
  // The notice is a message box of the same program.
  std::string notice = OtherWindow(window);
  EXPECT_FALSE(notice.empty());
  EXPECT_EQ(test::WindowTitle(window), kTitle);  // nothing was built
}

TEST_F(MainWindow, AFailedBuildSaysWhatFailed) {
  SetConfig(kit_, "0");
  test::RemoveTree(kit_ + "/docs/html/Modules/commands.txt");
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << ReadFile(dir_.Sub("err"));
  ClickAt(window, kBuild.x, kBuild.y);
  ASSERT_TRUE(WaitTitle(window, "Lexidor v.1.2 Build failed")) << test::WindowTitle(window);
  std::string notice = OtherWindow(window);
  EXPECT_FALSE(notice.empty());
  EXPECT_NE(Out().find("Cannot open " + kit_ + "/docs/html/Modules/commands.txt"),
            std::string::npos);
}

TEST(MainWindowWithoutX, SaysSoAndFails) {
  test::TempDir dir("lexidor-nox");
  test::CopyFile(test::LexidorBinary(), dir.Sub("Lexidor"));
  chmod(dir.Sub("Lexidor").c_str(), 0755);
  WriteFile(dir.Sub("config.txt"), "/nowhere\r\n0\r\n");
  test::RunOptions options;
  options.env["DISPLAY"] = "";
  test::RunResult r = test::RunProgram(dir.Sub("Lexidor"), options);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.err.find("cannot open the X display"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace lexidor
