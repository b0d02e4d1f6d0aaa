// The requester dialogs on a real X server, answered with xdotool keys from
// a helper thread while the dialog's modal loop runs on the main thread.
#include "gui/fltk/requesters/requesters.h"

// GoogleTest before Xlib: Xlib's macros (None, Bool) clash with its names.
#include <gtest/gtest.h>
// (keep the order)
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gui/events/timing.h"

namespace lexidor {
namespace {

// Plays keys into the dialog the main thread is about to show: waits until
// a window of this process is visible, focuses it and runs `keys` (xdotool
// commands, "$W" is the window).  If the dialog is still open 30 seconds
// later it is sent Escape, so a wrong key ends in a failed test, not a hang.
class KeyPlayer {
 public:
  // `text` as one single-quoted shell word.
  static std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  // With a `gate`, the keys wait until it is set (at most 30 seconds).
  explicit KeyPlayer(const std::string& keys, const std::string& find = std::string(),
                     const std::atomic<bool>* gate = nullptr) {
    const std::string search =
        find.empty() ? "--onlyvisible --pid " + std::to_string(getpid()) : find;
    const std::string script = "W=$(timeout 60 xdotool search --sync " + search +
                               " | head -1) && [ -n \"$W\" ] && xdotool windowfocus --sync $W && " +
                               keys;
    thread_ = std::thread([this, script, gate] {
      for (int i = 0; gate && i < 300 && !*gate; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      const std::string command = "bash -c " + Quote(script) + " >/dev/null 2>&1";
      played_ok_ = std::system(command.c_str()) == 0;
      for (int i = 0; i < 300 && !answered_; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      while (!answered_) {
        rescued_ = true;
        std::system("xdotool key Escape >/dev/null 2>&1");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
      }
    });
  }
  // Call once the dialog has returned.
  void Finish() {
    answered_ = true;
    thread_.join();
    // Let the server see the dialog go before the next one is looked for.
    Fl::flush();
    XSync(fl_display, 0);
    EXPECT_TRUE(played_ok_) << "xdotool failed";
    EXPECT_FALSE(rescued_) << "the dialog did not close on its keys";
  }
  ~KeyPlayer() {
    if (thread_.joinable()) Finish();
  }

 private:
  std::thread thread_;
  std::atomic<bool> answered_{false};
  std::atomic<bool> played_ok_{false};
  std::atomic<bool> rescued_{false};
};

class RequestersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fl_open_display(); }
};

// --- Messages and questions ---------------------------------------------------

std::vector<std::string> shown_labels;
std::atomic<bool> labels_taken{false};

void CollectLabels(Fl_Widget* widget) {
  if (widget->label()) shown_labels.push_back(widget->label());
  if (Fl_Group* group = widget->as_group()) {
    for (int i = 0; i < group->children(); ++i) CollectLabels(group->child(i));
  }
}

// Records the labels of the modal dialog once it is up.
void WatchDialog(void*) {
  if (Fl_Window* dialog = Fl::modal()) {
    CollectLabels(dialog);
    labels_taken = true;
  } else {
    Fl::repeat_timeout(0.02, WatchDialog);
  }
}

// Starts watching for the next dialog; its keys should wait for
// labels_taken.
void WatchNextDialog() {
  shown_labels.clear();
  labels_taken = false;
  Fl::add_timeout(0.02, WatchDialog);
}

bool Shown(const std::string& text) {
  for (const std::string& label : shown_labels) {
    if (label == text) return true;
  }
  return false;
}

TEST_F(RequestersTest, NotifyShowsFormatCharactersAsWritten) {
  const String text = u"50%s %d %% done";
  for (int serious : {0, 1}) {
    WatchNextDialog();
    KeyPlayer player("xdotool key Return", "", &labels_taken);
    EXPECT_EQ(FLNotify(text, serious), 0);
    player.Finish();
    EXPECT_TRUE(Shown("50%s %d %% done")) << "serious " << serious;
    EXPECT_TRUE(Shown(serious ? "!" : "i")) << "serious " << serious;
  }
}

TEST_F(RequestersTest, NotifyShowsNonAsciiText) {
  WatchNextDialog();
  KeyPlayer player("xdotool key Return", "", &labels_taken);
  FLNotify(u"Gr\u00fc\u00dfe \u2192 Quandrel", 0);
  player.Finish();
  EXPECT_TRUE(
      Shown("Gr\xc3\xbc\xc3\x9f"
            "e \xe2\x86\x92 Quandrel"));
}

// Context switches of the calling thread so far: each wake-up from a wait
// counts one.
long ThreadWakeups() {
  FILE* status = std::fopen("/proc/thread-self/status", "r");
  if (!status) return -1;
  long total = 0, value = 0;
  char line[256];
  while (std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, "voluntary_ctxt_switches: %ld", &value) == 1 ||
        std::sscanf(line, "nonvoluntary_ctxt_switches: %ld", &value) == 1) {
      total += value;
    }
  }
  std::fclose(status);
  return total;
}

long wakeups_before = -1, wakeups_after = -1;

// An open notice waits as the main loop does: the 1 ms tick (1,000
// wake-ups a second) does not reach its modal loop.
TEST_F(RequestersTest, AnOpenNoticeSleeps) {
  InitTimingModule();
  ASSERT_TRUE(MillisecondTimerRunning());
  Fl::add_timeout(0.3, [](void*) { wakeups_before = ThreadWakeups(); });
  Fl::add_timeout(1.3, [](void*) {
    wakeups_after = ThreadWakeups();
    if (Fl_Window* dialog = Fl::modal()) dialog->hide();
  });
  FLNotify(u"Waiting quietly", 0);
  ASSERT_GE(wakeups_before, 0);
  EXPECT_LT(wakeups_after - wakeups_before, 100) << "wake-ups in one second";
}

struct QuestionCase {
  const char* keys;
  int confirm;  // -2: not asked
  int proceed;
};

TEST_F(RequestersTest, ConfirmAndProceedAnswerByButton) {
  // Return presses the default button (the second), Escape the first; Tab
  // moves the focus and space presses the focused button.
  const QuestionCase cases[] = {
      {"xdotool key Return", 1, 0},
      {"xdotool key Escape", 0, -1},
      {"xdotool key Tab Tab space", -2, 1},
      {"xdotool key shift+Tab space", -2, 1},
  };
  for (const QuestionCase& c : cases) {
    if (c.confirm != -2) {
      KeyPlayer player(c.keys);
      EXPECT_EQ(FLConfirm(u"Overwrite the index?", 0), c.confirm) << c.keys;
      player.Finish();
    }
    WatchNextDialog();
    KeyPlayer player(c.keys, "", &labels_taken);
    EXPECT_EQ(FLProceed(u"Save 100% of it?", 1), c.proceed) << c.keys;
    player.Finish();
    EXPECT_TRUE(Shown("Save 100% of it?"));
    EXPECT_TRUE(Shown("Cancel") && Shown("No") && Shown("Yes"));
  }
}

// --- Choosers ---------------------------------------------------------------------

class ChooserTest : public RequestersTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lexidor_chooser_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    ASSERT_EQ(mkdir((root + "/sub").c_str(), 0755), 0);
  }
  void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
  std::string root;
};

TEST_F(ChooserTest, RequestDirCancelledGivesEmptyString) {
  KeyPlayer player("xdotool key Escape", "--onlyvisible --name '^Find the Quandrel dir$'");
  EXPECT_EQ(ToUtf8(FLRequestDir(u"Find the Quandrel dir", FromLatin1(root))), "");
  player.Finish();
}

TEST_F(ChooserTest, RequestDirReturnsTypedPath) {
  // The chooser opens a directory on Return, then takes it on the next.
  KeyPlayer player("xdotool key End && xdotool type --delay 100 /sub && xdotool key Return Return",
                   "--onlyvisible --name '^Find the Quandrel dir$'");
  const String chosen = FLRequestDir(u"Find the Quandrel dir", FromLatin1(root));
  player.Finish();
  EXPECT_EQ(ToLatin1(chosen), root + "/sub");
}

TEST_F(ChooserTest, RequestDirKeepsPathBytes) {
  // A name that is not UTF-8 (Latin-1 e acute) and one that is: both must
  // come back byte for byte.
  for (const std::string name : {"caf\xe9", "caf\xc3\xa9"}) {
    const std::string dir = root + "/" + name;
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    KeyPlayer player("xdotool key Return");
    const String chosen = FLRequestDir(u"Pick", FromLatin1(dir));
    player.Finish();
    EXPECT_EQ(chosen, FromLatin1(dir));
  }
}

TEST_F(ChooserTest, RequestFileInSaveModeTakesNewName) {
  KeyPlayer player("xdotool key End && xdotool type --delay 100 new.txt && xdotool key Return",
                   "--onlyvisible --name '^Save as$'");
  const String chosen = FLRequestFile(u"Save as", u"Text:txt;All:*", 1, FromLatin1(root + "/"));
  player.Finish();
  EXPECT_EQ(ToLatin1(chosen), root + "/new.txt");
}

// --- Colours --------------------------------------------------------------------------

TEST_F(RequestersTest, RequestColorAnswersOpaqueArgbOrZero) {
  struct Case {
    int r, g, b;
    const char* key;
    unsigned int answer;
  };
  const Case cases[] = {
      {255, 0, 0, "Return", 0xffff0000u},
      {12, 200, 77, "Return", 0xff0cc84du},
      {0, 0, 0, "Return", 0xff000000u},
      {255, 0, 0, "Escape", 0u},
  };
  for (const Case& c : cases) {
    KeyPlayer player(std::string("xdotool key ") + c.key, "--onlyvisible --name '^Choose Color$'");
    EXPECT_EQ(static_cast<unsigned int>(FLRequestColor(c.r, c.g, c.b)), c.answer) << c.key;
    player.Finish();
  }
}

}  // namespace
}  // namespace lexidor
