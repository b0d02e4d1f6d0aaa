// The font requester on a real X server through the FLTK driver, answered
// from a helper thread: keys through xdotool, the window's close box
// through the WM_DELETE_WINDOW message a window manager would send.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "gui/events/event_queue.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/fltk/requesters/font_requester.h"
#include "gui/gadgets/gadget_functions.h"

// Xlib last: its macros (None, Bool, Status) clash with names above.
#include <X11/Xlib.h>

namespace lexidor {
namespace {

// The id of the visible "Select Font" window, waiting up to a minute; 0 if
// it never shows.
unsigned long FindDialog() {
  FILE* out = popen(
      "timeout 60 xdotool search --sync --onlyvisible --name '^Select Font$' 2>/dev/null | head -1",
      "r");
  if (!out) return 0;
  unsigned long id = 0;
  if (fscanf(out, "%lu", &id) != 1) id = 0;
  pclose(out);
  return id;
}

// What a window manager sends when the user clicks a window's close box.
bool SendDeleteWindow(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", 0);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", 0));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, window, 0, NoEventMask, &event) != 0;
  XSync(display, 0);
  XCloseDisplay(display);
  return sent;
}

// Answers the dialog the main thread is about to open: "close" sends the
// close-box message, anything else is a key for xdotool.  If the dialog is
// still up 30 seconds later it is closed, so a lost answer fails the test
// instead of hanging it.
class DialogAnswer {
 public:
  explicit DialogAnswer(std::string answer) {
    thread_ = std::thread([this, answer] {
      const unsigned long window = FindDialog();
      if (window == 0) return;
      found_ = true;
      std::system(
          ("xdotool windowfocus --sync " + std::to_string(window) + " >/dev/null 2>&1").c_str());
      if (answer == "close") {
        SendDeleteWindow(window);
      } else {
        std::system(("xdotool key " + answer + " >/dev/null 2>&1").c_str());
      }
      for (int i = 0; i < 300 && !done_; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      while (!done_) {
        rescued_ = true;
        SendDeleteWindow(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
      }
    });
  }
  void Finish() {
    done_ = true;
    thread_.join();
    EXPECT_TRUE(found_) << "the font requester did not show";
    EXPECT_FALSE(rescued_) << "the font requester ignored its answer";
  }

 private:
  std::thread thread_;
  std::atomic<bool> done_{false}, found_{false}, rescued_{false};
};

class FontRequesterX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEventQueueModule();
    ASSERT_TRUE(InitFLTKDriverModule()) << "no X display for the FLTK driver";
  }
};

TEST_F(FontRequesterX11Test, CloseBoxGivesBackTheFontPassedIn) {
  FontRef given = LoadGuiFont(u"Helvetica", 14, 1);
  ASSERT_NE(given, nullptr);
  DialogAnswer answer("close");
  FontRef result = RequestFont(given);
  answer.Finish();
  EXPECT_EQ(result, given);
}

TEST_F(FontRequesterX11Test, CancelGivesNull) {
  FontRef given = LoadGuiFont(u"Helvetica", 12, 0);
  DialogAnswer answer("Escape");
  EXPECT_EQ(RequestFont(given), nullptr);
  answer.Finish();
}

TEST_F(FontRequesterX11Test, OkGivesTheFontTheSampleShows) {
  // Nothing passed in: the dialog shows its last choice (the first family,
  // regular, at its first size in a fresh process), and OK answers with
  // exactly that.
  DialogAnswer answer("Return");
  FontRef result = RequestFont(nullptr);
  answer.Finish();
  ASSERT_NE(result, nullptr);
  std::shared_ptr<TFontRequest> request = TFontRequest::Create(TFontTable());
  ASSERT_FALSE(request->fontlist.empty());
  const FLFontRef& family = request->fontlist.at(request->family);
  EXPECT_EQ(result->handle, request->handle);
  EXPECT_EQ((result->handle & 0xfff) + 1, family->GetHandle(request->style));
  EXPECT_EQ((result->handle >> 12) & 0xf, request->style);
  EXPECT_EQ(result->handle >> 16, request->size ? request->size : family->sizes.front());
  EXPECT_EQ(ToUtf8(result->name), ToUtf8(family->name));
}

TEST_F(FontRequesterX11Test, ApplicationEventsWaitUntilTheDialogCloses) {
  GadgetRef window = NewWindow(u"Lexidor", 100, 100, 200, 100, nullptr, 1);
  ClearEventQueue();
  DialogAnswer answer("close");
  RequestFont(nullptr);
  answer.Finish();
  // The dialog's own events (its close) went to the dialog, not the queue.
  EXPECT_EQ(QueuedEventCount(), 0);
  MakeEvent(EVENT_GADGETACTION, window)->Emit();
  EXPECT_EQ(QueuedEventCount(), 1);
}

}  // namespace
}  // namespace lexidor
