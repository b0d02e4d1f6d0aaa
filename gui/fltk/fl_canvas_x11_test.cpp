// The mouse and paint rows of the FLTK driver's active panels and canvases
// on a real X server (Xvfb), driven by xdotool.
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

const std::vector<int> kMouse = {EVENT_MOUSEENTER, EVENT_MOUSELEAVE, EVENT_MOUSEMOVE,
                                 EVENT_MOUSEDOWN,  EVENT_MOUSEUP,    EVENT_MOUSEWHEEL};

class FlCanvasTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"canvas", 0, 0, 400, 260, 513);
    ASSERT_NE(window_, nullptr);
  }
  void Show() {
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " 390 250");
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
  void ExpectMouse(const std::vector<Seen>& seen, const GadgetRef& source,
                   const std::vector<std::vector<int>>& expected) {
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i].source, source) << i;
      EXPECT_EQ(seen[i].id, expected[i][0]) << i << " " << seen[i];
      EXPECT_EQ(seen[i].data, expected[i][1]) << i << " " << seen[i];
      EXPECT_EQ(seen[i].x, expected[i][2]) << i << " " << seen[i];
      EXPECT_EQ(seen[i].y, expected[i][3]) << i << " " << seen[i];
    }
  }

  GadgetRef window_;
  unsigned long xid_ = 0;
};

TEST_F(FlCanvasTest, ActivePanelReportsEnterClickWheelAndLeave) {
  GadgetRef panel = NewPanel(50, 40, 200, 100, window_, PANEL_ACTIVE, String());
  Show();
  ExpectMouse(Only(Xdotool("mousemove --window W 60 50"), kMouse), panel,
              {{EVENT_MOUSEENTER, 0, 10, 10}});
  ExpectMouse(Only(Xdotool("mousemove --window W 70 55"), kMouse), panel,
              {{EVENT_MOUSEMOVE, 0, 20, 15}});
  ExpectMouse(Only(Xdotool("click 1"), {EVENT_MOUSEDOWN, EVENT_MOUSEUP}), panel,
              {{EVENT_MOUSEDOWN, 1, 20, 15}, {EVENT_MOUSEUP, 1, 20, 15}});
  // The wheel down is button 5: FLTK's delta +1.
  ExpectMouse(Only(Xdotool("click 5"), kMouse), panel, {{EVENT_MOUSEWHEEL, 1, 20, 15}});
  ExpectMouse(Only(Xdotool("mousemove --window W 390 250"), kMouse), panel,
              {{EVENT_MOUSELEAVE, 0, 20, 15}});
}

TEST_F(FlCanvasTest, PanelsAndCanvasesReportEachButtonsUpWhenTwoAreHeld) {
  GadgetRef panel = NewPanel(50, 40, 200, 100, window_, PANEL_ACTIVE, String());
  GadgetRef canvas = NewCanvas(50, 150, 200, 80, window_, 0);
  Show();
  // X buttons 1 and 3 are the program's 1 and 2; released in either order,
  // 10, 10 inside the gadget.
  const struct {
    const char* commands;
    std::vector<std::vector<int>> expected;
  } cases[] = {
      {"mousedown 1 mousedown 3 mouseup 1 mouseup 3",
       {{EVENT_MOUSEDOWN, 1, 10, 10},
        {EVENT_MOUSEDOWN, 2, 10, 10},
        {EVENT_MOUSEUP, 1, 10, 10},
        {EVENT_MOUSEUP, 2, 10, 10}}},
      {"mousedown 1 mousedown 3 mouseup 3 mouseup 1",
       {{EVENT_MOUSEDOWN, 1, 10, 10},
        {EVENT_MOUSEDOWN, 2, 10, 10},
        {EVENT_MOUSEUP, 2, 10, 10},
        {EVENT_MOUSEUP, 1, 10, 10}}},
  };
  for (const GadgetRef& gadget : {panel, canvas}) {
    Xdotool("mousemove --window W 60 " + std::to_string(gadget == panel ? 50 : 160));
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(gadget == panel ? "panel: " : "canvas: ") + c.commands);
      ExpectMouse(Only(Xdotool(c.commands), {EVENT_MOUSEDOWN, EVENT_MOUSEUP}), gadget, c.expected);
    }
    Xdotool("mousemove --window W 390 250");  // leaves, as the other tests do
  }
}

TEST_F(FlCanvasTest, CanvasReportsTheMouseInItsOwnCoordinatesAndPaints) {
  GadgetRef canvas = NewCanvas(50, 40, 200, 100, window_, 0);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(FL(canvas)->fltype, FLTYPE_CANVAS);
  Show();
  EXPECT_EQ(CanvasGraphics(canvas), nullptr) << "no graphics module in this driver";
  EXPECT_EQ(canvas->AttachGraphics(0), nullptr);
  ExpectMouse(Only(Xdotool("mousemove --window W 60 50"), kMouse), canvas,
              {{EVENT_MOUSEENTER, 0, 10, 10}});
  ExpectMouse(Only(Xdotool("mousemove --window W 80 70"), kMouse), canvas,
              {{EVENT_MOUSEMOVE, 0, 30, 30}});
  ExpectMouse(Only(Xdotool("click 3"), {EVENT_MOUSEDOWN, EVENT_MOUSEUP}), canvas,
              {{EVENT_MOUSEDOWN, 2, 30, 30}, {EVENT_MOUSEUP, 2, 30, 30}});
  ExpectMouse(Only(Xdotool("mousemove --window W 390 250"), kMouse), canvas,
              {{EVENT_MOUSELEAVE, 0, 30, 30}});
  // A redraw asks the program to paint.
  RedrawGadget(canvas);
  Settle(300);
  std::vector<Seen> paints = Only(TakeEvents(), {EVENT_GADGETPAINT});
  ASSERT_FALSE(paints.empty());
  EXPECT_EQ(paints[0].source, canvas);
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
