// The FLTK driver's menus on a real X server (Xvfb): the window's menu bar
// built from menu items (tags, check marks, dividers, hot keys, disabled
// items), "MenuAction" from the bar, from hot keys and from pop-up menus.
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

constexpr int kVirtualO = 79;
constexpr int kControl = 2;
constexpr int kFlCtrl = 0x40000;

class FlMenusTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"menus", 0, 0, 400, 240, 513 | 4);
    ASSERT_NE(window_, nullptr);
    file_ = NewMenuItem(u"&File", 0, window_);
    open_ = NewMenuItem(u"&Open", 11, file_, kVirtualO, kControl);
    NewMenuItem(u"-", 0, file_);
    wrap_ = NewMenuItem(u"Wrap", 12, file_);
    quit_ = NewMenuItem(u"Quit", 13, file_);
    view_ = NewMenuItem(u"View", 0, window_);
    zoom_ = NewMenuItem(u"Zoom", 21, view_);
    ChangeButtonCheck(wrap_, 1);
    DisableGadgetInput(quit_);
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool windowfocus --sync " + std::to_string(xid_));
    Settle();
    TakeEvents();
  }
  Fl_Widget* Bar() { return FL(window_)->menubar->flhandle; }
  // Runs `keys` with xdotool from a process of its own after a pause: a
  // menu, once open, runs its own loop until a pick.
  void KeysLater(const std::string& keys) {
    RunCommand("(sleep 0.8; xdotool key " + keys + ") >/dev/null 2>&1 &");
  }
  std::vector<Seen> MenuActions(int settle_ms = 1200) {
    Settle(settle_ms);
    return Only(TakeEvents(), {EVENT_MENUACTION});
  }

  GadgetRef window_, file_, open_, wrap_, quit_, view_, zoom_;
  unsigned long xid_ = 0;
};

TEST_F(FlMenusTest, TheBarShowsTheItemTreeWithMarksDividersAndShortcuts) {
  ASSERT_EQ(glue_menubar_size(Bar()), 8);
  const std::vector<String> texts = {u"&File", u"&Open", u"Wrap", u"Quit",
                                     u"",      u"View",  u"Zoom", u""};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(glue_menubar_text(Bar(), i), texts[i]) << i;
  EXPECT_TRUE(glue_menubar_flags(Bar(), 0) & GLUEMENU_SUBMENU);
  EXPECT_EQ(glue_menubar_flags(Bar(), 1), GLUEMENU_DIVIDER);
  EXPECT_EQ(glue_menubar_shortcut(Bar(), 1), kFlCtrl + 'o');
  EXPECT_EQ(glue_menubar_flags(Bar(), 2), GLUEMENU_CHECKABLE | GLUEMENU_CHECKED);
  EXPECT_EQ(glue_menubar_flags(Bar(), 3), GLUEMENU_INACTIVE);
  EXPECT_EQ(ButtonCheckState(wrap_), 1);
  EXPECT_EQ(GadgetText(open_), u"&Open");
  // Changes to an item show at once; a freed item leaves the bar.
  ChangeGadgetText(zoom_, u"Zoom in");
  ChangeButtonCheck(wrap_, 0);
  EnableGadgetInput(quit_);
  EXPECT_EQ(glue_menubar_text(Bar(), 6), u"Zoom in");
  EXPECT_EQ(glue_menubar_flags(Bar(), 2), GLUEMENU_CHECKABLE);
  EXPECT_EQ(glue_menubar_flags(Bar(), 3), 0);
  EXPECT_EQ(ButtonCheckState(wrap_), 0);
  ReleaseGadget(zoom_);
  ASSERT_EQ(glue_menubar_size(Bar()), 6);
  EXPECT_EQ(glue_menubar_text(Bar(), 5), u"View");
  EXPECT_EQ(glue_menubar_flags(Bar(), 5), 0) << "no kids left: a plain item";
  EXPECT_EQ(WindowMenu(window_), FL(window_)->menu);
}

TEST_F(FlMenusTest, HotKeyOfAnItemPostsItsMenuAction) {
  RunCommand("xdotool key ctrl+o");
  std::vector<Seen> seen = MenuActions(400);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, open_);
  EXPECT_EQ(seen[0].data, 11);
}

TEST_F(FlMenusTest, PickingACheckItemFromTheBarFlipsItsMark) {
  KeysLater("Down Down Return");
  RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " 20 12 sleep 0.1 click 1");
  std::vector<Seen> seen = MenuActions();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, wrap_);
  EXPECT_EQ(seen[0].data, 12);
  EXPECT_EQ(ButtonCheckState(wrap_), 0);
}

TEST_F(FlMenusTest, PopupMenuPostsThePickWithTheExtraObject) {
  GadgetRef popup = NewMenuItem(u"popup", 0, nullptr);
  GadgetRef first = NewMenuItem(u"First", 31, popup);
  GadgetRef second = NewMenuItem(u"Second", 32, popup);
  ChangeButtonCheck(second, 0);
  RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " 200 120");
  Settle();
  KeysLater("Down Down Return");
  PopupWindowMenu(window_, popup, BoxString(u"context"));
  std::vector<Seen> seen = MenuActions(300);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, second);
  EXPECT_EQ(seen[0].data, 32);
  EXPECT_EQ(seen[0].text, u"context");
  EXPECT_EQ(ButtonCheckState(second), 1) << "the pick flips the mark";
  // Escape closes it with no pick.
  KeysLater("Escape");
  PopupWindowMenu(window_, popup, nullptr);
  EXPECT_TRUE(MenuActions(300).empty());
  (void)first;
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
