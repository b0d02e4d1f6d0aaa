// X input translation against a real X server (Xvfb) driven by xdotool.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "gui/events/event_queue.h"
#include "gui/events/timing.h"
#include "gui/system/linux_system_driver.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace lexidor {
namespace {

struct Seen {
  int id;
  int data;
  int x;
  int y;
  bool operator==(const Seen& o) const {
    return id == o.id && data == o.data && x == o.x && y == o.y;
  }
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
  return out << ToUtf8(EventName(s.id)) << "(" << s.data << " @" << s.x << "," << s.y << ")";
}

void RunOrFail(const std::string& command) { ASSERT_EQ(system(command.c_str()), 0) << command; }

// A mapped, focused 200x150 window on the driver's own display, selected
// for key, button and motion input.
class XTranslationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "these tests need an X server (xvfb-run)";
    InitTimingModule();
    InitEventQueueModule();
    driver_ = std::make_shared<TLinuxSystemDriver>();
    display_ = static_cast<Display*>(driver_->XDisplay());
    ASSERT_NE(display_, nullptr);
    SetActiveSystemDriver(driver_);
    window_ =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 150, 0, 0, 0xffffff);
    XSelectInput(display_, window_,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     PointerMotionMask | StructureNotifyMask);
    XMapRaised(display_, window_);
    XEvent event;
    do {
      XWindowEvent(display_, window_, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
    RunOrFail("xdotool mousemove --sync --window " + std::to_string(window_) + " 10 20");
    Settle();
    ClearEventQueue();
  }
  void TearDown() override {
    if (display_) {
      driver_->SetRawEventHook(nullptr);
      XDestroyWindow(display_, window_);
      XSync(display_, True);
    }
    ClearEventQueue();
    SetActiveSystemDriver(nullptr);
    driver_.reset();
  }
  // Lets the server deliver what xdotool produced, then translates all of it
  // and returns the queued events.
  std::vector<Seen> Settle() {
    PauseMillis(100);
    XSync(display_, False);
    std::vector<Seen> seen;
    while (PollForEvent() != 0) {
      seen.push_back({CurrentEventId(), CurrentEventData(), CurrentEventX(), CurrentEventY()});
      EXPECT_EQ(CurrentEventSource(), nullptr);
      EXPECT_EQ(CurrentEventMods(), 0);
    }
    return seen;
  }
  std::vector<Seen> Only(const std::vector<Seen>& all, std::vector<int> ids) {
    std::vector<Seen> kept;
    for (const Seen& s : all) {
      for (int id : ids) {
        if (s.id == id) kept.push_back(s);
      }
    }
    return kept;
  }

  std::shared_ptr<TLinuxSystemDriver> driver_;
  Display* display_ = nullptr;
  Window window_ = 0;
};

TEST_F(XTranslationTest, KeyPressGivesDownAndCharReleaseGivesUp) {
  RunOrFail("xdotool key a key b");
  std::vector<Seen> seen =
      Only(Settle(), {EVENT_KEYDOWN, EVENT_KEYCHAR, EVENT_KEYUP, EVENT_KEYREPEAT});
  std::vector<Seen> expected = {
      {EVENT_KEYDOWN, 65, 10, 20}, {EVENT_KEYCHAR, 'a', 0, 0}, {EVENT_KEYUP, 65, 10, 20},
      {EVENT_KEYDOWN, 66, 10, 20}, {EVENT_KEYCHAR, 'b', 0, 0}, {EVENT_KEYUP, 66, 10, 20},
  };
  EXPECT_EQ(seen, expected);
}

TEST_F(XTranslationTest, ReleaseFollowedByPressOfTheSameKeyIsARepeat) {
  RunOrFail("xdotool keydown a keyup a keydown a keyup a");
  std::vector<Seen> seen =
      Only(Settle(), {EVENT_KEYDOWN, EVENT_KEYCHAR, EVENT_KEYUP, EVENT_KEYREPEAT});
  std::vector<Seen> expected = {
      {EVENT_KEYDOWN, 65, 10, 20},
      {EVENT_KEYCHAR, 'a', 0, 0},
      {EVENT_KEYREPEAT, 65, 10, 20},
      {EVENT_KEYUP, 65, 10, 20},
  };
  EXPECT_EQ(seen, expected);
}

// A keycode that carries no keysym in the server's map, or 0.
KeyCode SpareKeyCode(Display* display) {
  int low, high, per;
  XDisplayKeycodes(display, &low, &high);
  KeySym* map = XGetKeyboardMapping(display, low, high - low + 1, &per);
  KeyCode spare = 0;
  for (int code = high; code >= low && !spare; --code) {
    bool empty = true;
    for (int i = 0; i < per; ++i) empty = empty && map[(code - low) * per + i] == NoSymbol;
    if (empty) spare = static_cast<KeyCode>(code);
  }
  XFree(map);
  return spare;
}

TEST_F(XTranslationTest, KeysMapThroughTheKeyCodeTableAndHighCharsAreSigned) {
  // Give a spare key the keysym eacute (0xE9), so that the server sends a
  // key whose text is a byte above 0x7F; the driver must notice the
  // mapping change even after it has looked keys up.
  RunOrFail("xdotool key a");
  ASSERT_EQ(Only(Settle(), {EVENT_KEYDOWN}), (std::vector<Seen>{{EVENT_KEYDOWN, 65, 10, 20}}));
  KeyCode spare = SpareKeyCode(display_);
  ASSERT_NE(spare, 0);
  KeySym eacute = XK_eacute;
  XChangeKeyboardMapping(display_, spare, 1, &eacute, 1);
  XSync(display_, False);
  Settle();

  RunOrFail("xdotool key Return F1 Left Shift_L eacute");
  std::vector<Seen> seen = Only(Settle(), {EVENT_KEYDOWN, EVENT_KEYCHAR});
  KeySym none = NoSymbol;
  XChangeKeyboardMapping(display_, spare, 1, &none, 1);
  XSync(display_, False);
  std::vector<Seen> expected = {
      {EVENT_KEYDOWN, 13, 10, 20}, {EVENT_KEYCHAR, 13, 0, 0},    {EVENT_KEYDOWN, 112, 10, 20},
      {EVENT_KEYDOWN, 37, 10, 20}, {EVENT_KEYDOWN, 160, 10, 20}, {EVENT_KEYDOWN, 164, 10, 20},
      {EVENT_KEYCHAR, -23, 0, 0},  // 0xE9 as a signed byte
  };
  EXPECT_EQ(seen, expected);
}

TEST_F(XTranslationTest, MouseButtonsAndWheel) {
  RunOrFail("xdotool click 1 click 2 click 3 click 4 click 5");
  std::vector<Seen> seen = Only(Settle(), {EVENT_MOUSEDOWN, EVENT_MOUSEUP, EVENT_MOUSEWHEEL});
  std::vector<Seen> expected = {
      {EVENT_MOUSEDOWN, 1, 10, 20},  {EVENT_MOUSEUP, 1, 10, 20},  // left
      {EVENT_MOUSEDOWN, 3, 10, 20},  {EVENT_MOUSEUP, 3, 10, 20},  // middle
      {EVENT_MOUSEDOWN, 2, 10, 20},  {EVENT_MOUSEUP, 2, 10, 20},  // right
      {EVENT_MOUSEWHEEL, 1, 10, 20}, {EVENT_MOUSEWHEEL, -1, 10, 20},
  };
  EXPECT_EQ(seen, expected);
}

TEST_F(XTranslationTest, PointerMotionGivesMouseMoveWithWindowCoordinates) {
  RunOrFail("xdotool mousemove --sync --window " + std::to_string(window_) + " 50 60");
  std::vector<Seen> seen = Only(Settle(), {EVENT_MOUSEMOVE});
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (Seen{EVENT_MOUSEMOVE, 0, 50, 60}));
}

int ConsumeKeyPresses(const void* xevent) {
  return static_cast<const XEvent*>(xevent)->type == KeyPress;
}

TEST_F(XTranslationTest, RawEventHookSeesEventsFirstAndMayConsumeThem) {
  driver_->SetRawEventHook(ConsumeKeyPresses);
  RunOrFail("xdotool key a");
  std::vector<Seen> seen = Only(Settle(), {EVENT_KEYDOWN, EVENT_KEYCHAR, EVENT_KEYUP});
  EXPECT_EQ(seen, (std::vector<Seen>{{EVENT_KEYUP, 65, 10, 20}}));
}

TEST_F(XTranslationTest, AwaitEventWakesOnXInput) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    usleep(200000);
    execlp("xdotool", "xdotool", "click", "1", static_cast<char*>(nullptr));
    _exit(127);
  }
  auto start = std::chrono::steady_clock::now();
  int id = AwaitEvent();
  double took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(id, EVENT_MOUSEDOWN);
  EXPECT_EQ(CurrentEventData(), 1);
  EXPECT_GE(took, 150.0);
  EXPECT_LT(took, 900.0) << "the wait must end when X input arrives, not after its second";
}

TEST_F(XTranslationTest, WarpMouseMovesThePointerInTheRegisteredWindow) {
  WarpMouse(30, 40);  // no window registered: nothing moves
  driver_->SetApplicationWindow(window_);
  WarpMouse(70, 80);
  Window root, child;
  int root_x, root_y, x, y;
  unsigned mask;
  ASSERT_TRUE(XQueryPointer(display_, window_, &root, &child, &root_x, &root_y, &x, &y, &mask));
  EXPECT_EQ(x, 70);
  EXPECT_EQ(y, 80);
  HidePointer();
  ShowPointer();
  XSync(display_, False);
  driver_->SetApplicationWindow(0);
}

}  // namespace
}  // namespace lexidor
