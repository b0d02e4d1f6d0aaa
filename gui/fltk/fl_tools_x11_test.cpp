// The FLTK driver's tool bar on a real X server (Xvfb): tools from an icon
// strip, disabled and toggle tools, "GadgetAction" per click with the
// tool's box following the pointer.
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

constexpr int kIcon = 16;

// A strip of three 16-pixel icons, each a coloured square with a dot.
FLPixmapRef Strip() {
  FLPixmapRef strip = TFLPixmap::Make(3 * kIcon, kIcon, 3);
  for (int i = 0; i < 3; ++i) {
    for (int y = 0; y < kIcon; ++y) {
      for (int x = 0; x < kIcon; ++x) {
        uint8_t* p = &strip->pixels[(y * 3 * kIcon + i * kIcon + x) * 3];
        const bool dot = x > 5 && x < 10 && y > 5 && y < 10;
        p[0] = dot ? 0 : static_cast<uint8_t>(80 * i + 60);
        p[1] = dot ? 0 : 120;
        p[2] = dot ? 0 : 200;
      }
    }
  }
  return strip;
}

class FlToolsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"tools", 0, 0, 300, 120, 513);
    ASSERT_NE(window_, nullptr);
    bar_ = NewToolbar(Strip(), 0, 0, 300, 26, window_, 0);
    ASSERT_NE(bar_, nullptr);
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool windowfocus --sync " + std::to_string(xid_));
    Settle();
    TakeEvents();
  }
  std::vector<Seen> Xdotool(const std::string& commands) {
    std::string line = "xdotool " + commands;
    for (size_t at = line.find(" W "); at != std::string::npos; at = line.find(" W ", at)) {
      line.replace(at + 1, 1, std::to_string(xid_));
    }
    RunCommand(line);
    Settle(300);
    return TakeEvents();
  }
  // Clicks the middle of tool `i` (tools are 24 pixels with 2 between).
  std::vector<Seen> ClickTool(int i) {
    const int x = 1 + i * 26 + 12;
    return Only(Xdotool("mousemove --window W " + std::to_string(x) + " 13 sleep 0.1 click 1"),
                {EVENT_GADGETACTION});
  }
  TFLWidget* Tool(int i) { return FL(bar_)->tools.at(i).get(); }

  GadgetRef window_, bar_;
  unsigned long xid_ = 0;
};

TEST_F(FlToolsTest, EachIconOfTheStripIsASquareToolInARow) {
  EXPECT_EQ(FL(bar_)->fltype, FLTYPE_TOOLBAR);
  ASSERT_EQ(CountGadgetItems(bar_), 3);
  ASSERT_EQ(FL(bar_)->tools.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    int x, y, w, h;
    glue_widget_geometry(Tool(i)->flhandle, &x, &y, &w, &h);
    EXPECT_EQ(x, 1 + i * 26) << i;
    EXPECT_EQ(y, 1) << i;
    EXPECT_EQ(w, 24) << i;
    EXPECT_EQ(h, 24) << i;
    EXPECT_EQ(Tool(i)->tag, i);
    EXPECT_EQ(Tool(i)->icon, i);
  }
  RemoveGadgetItem(bar_, 0);
  ASSERT_EQ(FL(bar_)->tools.size(), 2u);
  EXPECT_EQ(Tool(0)->icon, 1);
  EXPECT_EQ(Tool(0)->tag, 0) << "tags follow the places";
  int x, y, w, h;
  glue_widget_geometry(Tool(1)->flhandle, &x, &y, &w, &h);
  EXPECT_EQ(x, 27);
}

TEST_F(FlToolsTest, ClicksActDisabledToolsDoNotAndToggleToolsFlip) {
  std::vector<Seen> seen = ClickTool(1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, bar_);
  EXPECT_EQ(seen[0].data, 1);
  // The pointer is still over it: raised.
  EXPECT_EQ(glue_get_box(Tool(1)->flhandle), FLBOX_THIN_UP_BOX);

  DisableGadgetItem(bar_, 2);
  EXPECT_EQ(Tool(2)->tag, 2 | 0x10000);
  EXPECT_TRUE(GadgetItemState(bar_, 2) & ITEMSTATE_DISABLED);
  EXPECT_TRUE(ClickTool(2).empty());
  EnableGadgetItem(bar_, 2);
  EXPECT_EQ(ClickTool(2).size(), 1u);

  ModifyGadgetItem(bar_, 0, String(), String(), 0, nullptr, ITEMFLAG_TOGGLEICON);
  seen = ClickTool(0);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].data, 0);
  EXPECT_TRUE(GadgetItemState(bar_, 0) & ITEMSTATE_SELECTED);
  EXPECT_EQ(glue_get_box(Tool(0)->flhandle), FLBOX_THIN_DOWN_BOX) << "on: stays sunk";
  ClickTool(0);
  EXPECT_FALSE(GadgetItemState(bar_, 0) & ITEMSTATE_SELECTED);
  // The pointer leaving a tool that is off flattens it.
  Xdotool("mousemove --window W 200 80");
  EXPECT_EQ(glue_get_box(Tool(0)->flhandle), FLBOX_NO_BOX);
}

TEST_F(FlToolsTest, ReleaseOutsideTheToolIsNoAction) {
  EXPECT_TRUE(Only(Xdotool("mousemove --window W 13 13 sleep 0.1 mousedown 1 sleep 0.1 "
                           "mousemove --window W 13 80 sleep 0.1 mouseup 1"),
                   {EVENT_GADGETACTION})
                  .empty());
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
