// Shared by the FLTK driver's X tests: module start-up, pumping the driver
// until the X server has caught up, reading the queued events, and X-side
// checks of the windows.  Tests only.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/events/event_queue.h"
#include "gui/events/system_driver.h"
#include "gui/events/timing.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/fltk/glue/glue.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/system/linux_system_driver.h"

namespace lexidor {
namespace fltest {

// Starts the modules in the program's order; the FLTK driver must come up.
class DriverEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "these tests need an X server (xvfb-run)";
    InitSystemModule();
    InitEventQueueModule();
    InitGadgetModule();
    ASSERT_TRUE(InitFLTKDriverModule()) << "the FLTK driver did not start";
  }
};

inline ::testing::Environment* const kDriverEnvironment =
    ::testing::AddGlobalTestEnvironment(new DriverEnvironment);

// One taken event.
struct Seen {
  int id = 0;
  ObjectRef source;
  int data = 0;
  int mods = 0;
  int x = 0;
  int y = 0;
  String text;
};

inline std::ostream& operator<<(std::ostream& out, const Seen& s) {
  return out << ToUtf8(EventName(s.id)) << "(data " << s.data << ", mods " << s.mods << " @" << s.x
             << "," << s.y << ")";
}

// Pumps the system driver for `ms` milliseconds, so that what the X server
// and xdotool produced reaches FLTK and the queue.
inline void Settle(int ms = 200) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    PumpSystemEvents();
    PauseMillis(10);
  }
  PumpSystemEvents();
}

// Every queued event, oldest first; the queue is empty afterwards.
inline std::vector<Seen> TakeEvents() {
  std::vector<Seen> seen;
  while (QueuedEventCount() > 0 && PollForEvent() != 0) {
    seen.push_back({CurrentEventId(), CurrentEventSource(), CurrentEventData(), CurrentEventMods(),
                    CurrentEventX(), CurrentEventY(), CurrentEventText()});
  }
  return seen;
}

// The events of `all` with one of the ids.
inline std::vector<Seen> Only(const std::vector<Seen>& all, std::vector<int> ids) {
  std::vector<Seen> kept;
  for (const Seen& s : all) {
    for (int id : ids) {
      if (s.id == id) kept.push_back(s);
    }
  }
  return kept;
}

// Runs a shell command (xdotool) and fails the test when it fails.
inline void RunCommand(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The FLTK driver's widget of a gadget.
inline TFLWidget* FL(const GadgetRef& gadget) { return dynamic_cast<TFLWidget*>(gadget.get()); }

// The X window id of a shown window gadget.
inline unsigned long XidOf(const GadgetRef& window) {
  TFLWidget* w = FL(window);
  return w ? glue_window_xid(w->flhandle) : 0;
}

// The pixels of a rectangle of a shown window, as the X server has them:
// 3 bytes (red, green, blue) per pixel, row by row; empty when the grab
// failed.
struct Grab {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[3 * (y * width + x)]; }
};

inline Grab GrabWindow(unsigned long xid, int x, int y, int width, int height) {
  Grab grab;
  const std::string command = "import -silent -window " + std::to_string(xid) + " -crop " +
                              std::to_string(width) + "x" + std::to_string(height) + "+" +
                              std::to_string(x) + "+" + std::to_string(y) +
                              " +repage -depth 8 rgb:- 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return grab;
  unsigned char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    grab.rgb.insert(grab.rgb.end(), buffer, buffer + got);
  }
  pclose(pipe);
  if (grab.rgb.size() != static_cast<size_t>(3 * width * height)) {
    grab.rgb.clear();
  } else {
    grab.width = width;
    grab.height = height;
  }
  return grab;
}

// Base for the tests: a clean queue before and after, and the windows a
// test made released at its end.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FLTKDriver()) << "the FLTK driver is not installed";
    Settle(20);
    ClearEventQueue();
  }
  void TearDown() override {
    for (const GadgetRef& window : windows_) ReleaseGadget(window);
    windows_.clear();
    Settle(50);
    ClearEventQueue();
  }
  // A window released at the end of the test.
  GadgetRef Window(const String& title, int x, int y, int w, int h, int style) {
    GadgetRef window = NewWindow(title, x, y, w, h, nullptr, style);
    if (window) windows_.push_back(window);
    return window;
  }

  std::vector<GadgetRef> windows_;
};

}  // namespace fltest
}  // namespace lexidor
