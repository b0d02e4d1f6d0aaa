// Icons of list lines, tree nodes and tabs on a real X server (Xvfb): each shows
// the image of its icon in the widget's strip, follows a new strip, and
// is drawn where the line or node is.
#include <FL/Fl_Widget.H>

#include <memory>
#include <string>

#include "gui/fltk/fl_x11_test_support.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

constexpr int kIcon = 16;

// Icons 0, 1, 2 are red, green and blue squares with a black frame; icon 3
// is one flat grey, a blank icon.
std::shared_ptr<TFLIconStrip> Strip() {
  const uint8_t colours[4][3] = {{220, 30, 30}, {30, 180, 30}, {30, 30, 220}, {128, 128, 128}};
  FLPixmapRef pixmap = TFLPixmap::Make(4 * kIcon, kIcon, 3);
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < kIcon; ++y) {
      for (int x = 0; x < kIcon; ++x) {
        uint8_t* p = &pixmap->pixels[(y * 4 * kIcon + i * kIcon + x) * 3];
        const bool frame = i < 3 && (x == 0 || y == 0 || x == kIcon - 1 || y == kIcon - 1);
        for (int c = 0; c < 3; ++c) p[c] = frame ? 0 : colours[i][c];
      }
    }
  }
  return TFLIconStrip::Create(pixmap);
}

// Pixels of the red icon in a rectangle of the window.
int RedPixels(unsigned long xid, int x, int y, int w, int h) {
  Grab grab = GrabWindow(xid, x, y, w, h);
  int count = 0;
  for (int row = 0; row < grab.height; ++row) {
    for (int col = 0; col < grab.width; ++col) {
      const unsigned char* p = grab.At(col, row);
      count += p[0] > 180 && p[1] < 80 && p[2] < 80 ? 1 : 0;
    }
  }
  return grab.rgb.empty() ? -1 : count;
}

class FlIconsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"icons", 0, 0, 400, 300, 513);
    ASSERT_NE(window_, nullptr);
    strip_ = Strip();
    ASSERT_NE(strip_, nullptr);
    ASSERT_EQ(strip_->images.size(), 4u);
    ASSERT_EQ(strip_->images[3], nullptr) << "a flat icon is blank";
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
  }
  Fl_Image* Image(int icon) { return strip_->images.at(icon); }

  GadgetRef window_;
  std::shared_ptr<TFLIconStrip> strip_;
  unsigned long xid_ = 0;
};

TEST_F(FlIconsTest, TreeNodesShowTheirIconsOfTheTreesStrip) {
  GadgetRef tree = NewTreeView(10, 10, 300, 250, window_, 0);
  GadgetRef root = TreeViewRoot(tree);
  GadgetRef red = AddTreeViewNode(root, u"Red", 0);
  GadgetRef blank = AddTreeViewNode(root, u"Blank", 3);
  GadgetRef none = AddTreeViewNode(root, u"None");
  GadgetRef deep = AddTreeViewNode(red, u"Deep", 2);
  ExpandTreeViewNode(red);
  auto icon = [](const GadgetRef& node) { return glue_tree_icon(FL(node)->nodehandle); };
  EXPECT_EQ(icon(red), nullptr) << "no strip yet";

  SetGadgetIconStrip(tree, strip_);
  EXPECT_EQ(icon(red), Image(0)) << "nodes made before the strip take their icons";
  EXPECT_EQ(icon(deep), Image(2)) << "and so do the nodes below them";
  EXPECT_EQ(icon(blank), nullptr);
  EXPECT_EQ(icon(none), nullptr);
  GadgetRef green = InsertTreeViewNode(root, 0, u"Green", 1);
  EXPECT_EQ(icon(green), Image(1));
  ModifyTreeViewNode(green, u"Now blue", 2);
  EXPECT_EQ(icon(green), Image(2));
  ModifyTreeViewNode(green, u"Plain");
  EXPECT_EQ(icon(green), nullptr);

  Settle(300);
  int x, y, h;
  ASSERT_TRUE(glue_tree_item_row(FL(red)->nodehandle, &x, &y, &h));
  Fl_Widget* fl = FL(tree)->flhandle;
  // The icon is drawn in the node's row, and only there.
  EXPECT_GE(RedPixels(xid_, fl->x(), y, fl->w(), h), (kIcon - 2) * (kIcon - 2));
  ASSERT_TRUE(glue_tree_item_row(FL(none)->nodehandle, &x, &y, &h));
  EXPECT_EQ(RedPixels(xid_, fl->x(), y, fl->w(), h), 0);

  SetGadgetIconStrip(tree, nullptr);
  EXPECT_EQ(icon(red), nullptr) << "without a strip no node keeps an image";
  EXPECT_EQ(icon(deep), nullptr);
  Settle(300);
  ASSERT_TRUE(glue_tree_item_row(FL(red)->nodehandle, &x, &y, &h));
  EXPECT_EQ(RedPixels(xid_, fl->x(), y, fl->w(), h), 0);
}

TEST_F(FlIconsTest, ListLinesShowTheirIconsAndTheNextOneWhileSelected) {
  GadgetRef list = NewListBox(10, 10, 300, 250, window_, 0);
  Fl_Widget* fl = FL(list)->flhandle;
  AddGadgetItem(list, u"Red", u"", 0);
  AddGadgetItem(list, u"Toggles", u"", 1, nullptr, ITEMFLAG_TOGGLEICON);
  AddGadgetItem(list, u"None");
  EXPECT_EQ(glue_browser_icon(fl, 1), nullptr) << "no strip yet";

  SetGadgetIconStrip(list, strip_);
  EXPECT_EQ(glue_browser_icon(fl, 1), Image(0));
  EXPECT_EQ(glue_browser_icon(fl, 2), Image(1));
  EXPECT_EQ(glue_browser_icon(fl, 3), nullptr);
  SelectGadgetItem(list, 1);
  EXPECT_EQ(glue_browser_icon(fl, 2), Image(2)) << "a selected toggle item shows the next icon";
  InsertGadgetItem(list, 0, u"Blue", u"", 2);
  EXPECT_EQ(glue_browser_icon(fl, 1), Image(2));
  ModifyGadgetItem(list, 0, u"Blank", u"", 3);
  EXPECT_EQ(glue_browser_icon(fl, 1), nullptr);

  // A new strip: the selected toggle item keeps showing its next icon.
  std::shared_ptr<TFLIconStrip> other = Strip();
  SetGadgetIconStrip(list, other);
  EXPECT_EQ(glue_browser_icon(fl, 3), other->images[2]);
  EXPECT_EQ(glue_browser_icon(fl, 2), other->images[0]);
  DeselectGadgetItem(list, 2);
  EXPECT_EQ(glue_browser_icon(fl, 3), other->images[1]);

  Settle(300);
  EXPECT_GE(RedPixels(xid_, fl->x(), fl->y(), fl->w(), fl->h()), (kIcon - 2) * (kIcon - 2))
      << "the red icon is drawn";
  RemoveGadgetItem(list, 1);
  Settle(300);
  EXPECT_EQ(RedPixels(xid_, fl->x(), fl->y(), fl->w(), fl->h()), 0);
}

TEST_F(FlIconsTest, TabsShowTheirIconsBeforeTheirText) {
  GadgetRef tabs = NewTabber(10, 10, 360, 200, window_, 0);
  AddGadgetItem(tabs, u"Red", u"", 0);
  AddGadgetItem(tabs, u"Plain");
  TFLWidget* tabber = FL(tabs);
  ASSERT_EQ(tabber->tabpanels.size(), 2u);
  auto icon = [&](int i) { return glue_tab_icon(tabber->tabpanels.at(i)->flhandle); };
  EXPECT_EQ(icon(0), nullptr) << "no strip yet";
  SetGadgetIconStrip(tabs, strip_);
  EXPECT_EQ(icon(0), Image(0)) << "tabs made before the strip take their icons";
  EXPECT_EQ(icon(1), nullptr);
  InsertGadgetItem(tabs, 1, u"Green", u"", 1);
  EXPECT_EQ(icon(1), Image(1));

  Fl_Widget* fl = tabber->flhandle;
  Settle(300);
  // The tabs are the top strip of the tabber.
  EXPECT_GE(RedPixels(xid_, fl->x(), fl->y(), fl->w(), 30), (kIcon - 2) * (kIcon - 2));
  ModifyGadgetItem(tabs, 0, u"Red no more");
  EXPECT_EQ(icon(0), nullptr);
  Settle(300);
  EXPECT_EQ(RedPixels(xid_, fl->x(), fl->y(), fl->w(), 30), 0);
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
