// The FLTK driver's tabber on a real X server (Xvfb): pages per tab item,
// gadgets on the page shown when they were made, the program's choice of
// tab, and the events of clicks on the tabs.
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

class FlTabsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"tabs", 0, 0, 480, 320, 513);
    ASSERT_NE(window_, nullptr);
    tabber_ = NewTabber(10, 10, 400, 200, window_, 0);
    ASSERT_NE(tabber_, nullptr);
    for (const char16_t* text : {u"One", u"Two", u"Three"}) {
      AddGadgetItem(tabber_, text, u"", -1, BoxString(text));
    }
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool windowfocus --sync " + std::to_string(xid_));
    Settle();
    TakeEvents();
  }
  std::vector<Seen> ClickAt(int x, int y, int button = 1) {
    RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " " + std::to_string(x) +
               " " + std::to_string(y) + " sleep 0.1 click " + std::to_string(button));
    Settle(300);
    return TakeEvents();
  }
  TFLWidget* Page(int index) { return FL(tabber_)->tabpanels.at(index).get(); }

  GadgetRef window_, tabber_;
  unsigned long xid_ = 0;
};

TEST_F(FlTabsTest, EachTabItemIsAPageAndGadgetsGoOnThePageShown) {
  TFLWidget* tabs = FL(tabber_);
  EXPECT_EQ(tabs->fltype, FLTYPE_TABS);
  ASSERT_EQ(tabs->tabpanels.size(), 3u);
  EXPECT_EQ(glue_get_label(Page(0)->flhandle), u"One");
  EXPECT_EQ(glue_get_label(Page(2)->flhandle), u"Three");
  EXPECT_EQ(SelectedGadgetItem(tabber_), 0);
  GadgetRef first = NewButton(u"on one", 10, 10, 100, 30, tabber_, 0);
  // The page sits below the tabs: a gadget at (10, 10) of the tabber is at
  // (10 + 10 + 2, 10 + 10 + 20) of the window.
  int x, y, w, h;
  glue_widget_geometry(FL(first)->flhandle, &x, &y, &w, &h);
  EXPECT_EQ(x, 22);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(first->parent, Page(0));

  SelectGadgetItem(tabber_, 2);
  EXPECT_EQ(SelectedGadgetItem(tabber_), 2);
  EXPECT_EQ(glue_tabs_value(tabs->flhandle), 2);
  GadgetRef third = NewButton(u"on three", 10, 10, 100, 30, tabber_, 0);
  EXPECT_EQ(third->parent, Page(2));
  EXPECT_FALSE(glue_widget_visible(Page(0)->flhandle));
  EXPECT_TRUE(glue_widget_visible(Page(2)->flhandle));

  // Items change their tab's text; an inserted item gets a page of its own
  // and the tab shown stays.
  ModifyGadgetItem(tabber_, 1, u"Deux");
  EXPECT_EQ(glue_get_label(Page(1)->flhandle), u"Deux");
  InsertGadgetItem(tabber_, 0, u"Zero");
  ASSERT_EQ(tabs->tabpanels.size(), 4u);
  EXPECT_EQ(glue_get_label(Page(0)->flhandle), u"Zero");
  EXPECT_EQ(SelectedGadgetItem(tabber_), 3);
  EXPECT_EQ(third->parent, Page(3));
  // Removing the tab shown shows its neighbour and frees its gadgets.
  RemoveGadgetItem(tabber_, 3);
  EXPECT_EQ(tabs->tabpanels.size(), 3u);
  EXPECT_EQ(SelectedGadgetItem(tabber_), 2);
  EXPECT_EQ(FL(third)->flhandle, nullptr);
  EXPECT_EQ(first->parent, Page(1));
  // None of this was the user's doing.
  Settle();
  EXPECT_TRUE(Only(TakeEvents(), {EVENT_GADGETACTION, EVENT_GADGETMENU}).empty());
}

TEST_F(FlTabsTest, ClickingATabPostsGadgetActionAndTheRightButtonGadgetMenu) {
  SelectGadgetItem(tabber_, 1);
  Settle();
  TakeEvents();
  // The first tab starts at the tabber's left edge.
  std::vector<Seen> seen = Only(ClickAt(25, 20), {EVENT_GADGETACTION, EVENT_GADGETMENU});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETACTION);
  EXPECT_EQ(seen[0].source, tabber_);
  EXPECT_EQ(seen[0].data, 0);
  EXPECT_EQ(seen[0].text, u"One");
  EXPECT_EQ(SelectedGadgetItem(tabber_), 0);
  // The same tab again: no change, no action.
  EXPECT_TRUE(Only(ClickAt(25, 20), {EVENT_GADGETACTION}).empty());
  // The right button on a tab asks for its menu and leaves the tab shown.
  SelectGadgetItem(tabber_, 2);
  seen = Only(ClickAt(25, 20, 3), {EVENT_GADGETACTION, EVENT_GADGETMENU});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETMENU);
  EXPECT_EQ(seen[0].data, 0);
  EXPECT_EQ(seen[0].x, 15);
  EXPECT_EQ(seen[0].y, 10);
  EXPECT_EQ(SelectedGadgetItem(tabber_), 2);
}

TEST_F(FlTabsTest, GadgetsMadeBeforeTheFirstTabLandOnItsPage) {
  GadgetRef empty = NewTabber(10, 220, 300, 90, window_, 0);
  GadgetRef early = NewLabel(u"early", 5, 5, 80, 20, empty, 0);
  TFLWidget* tabs = FL(empty);
  ASSERT_EQ(tabs->tabpanels.size(), 1u);
  EXPECT_EQ(early->parent, tabs->tabpanels[0].get());
  EXPECT_EQ(SelectedGadgetItem(empty), -1);
  AddGadgetItem(empty, u"First");
  EXPECT_EQ(tabs->tabpanels.size(), 1u);
  EXPECT_EQ(glue_get_label(tabs->tabpanels[0]->flhandle), u"First");
  EXPECT_EQ(SelectedGadgetItem(empty), 0);
  ClearGadgetItems(empty);
  EXPECT_EQ(CountGadgetItems(empty), 0);
  EXPECT_EQ(SelectedGadgetItem(empty), -1);
  EXPECT_NE(FL(early)->flhandle, nullptr) << "the unnamed page keeps its gadgets";
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
