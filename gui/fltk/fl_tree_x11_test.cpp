// The FLTK driver's tree view on a real X server (Xvfb): nodes inserted,
// renamed, counted and freed; selection, expansion and collapse by the
// program (quiet) and by clicks (reported with the node as extra).
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

class FlTreeTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"tree", 0, 0, 400, 300, 513);
    ASSERT_NE(window_, nullptr);
    tree_ = NewTreeView(10, 10, 300, 250, window_, 0);
    ASSERT_NE(tree_, nullptr);
    root_ = TreeViewRoot(tree_);
    ASSERT_NE(root_, nullptr);
    a_ = AddTreeViewNode(root_, u"Alpha");
    b_ = AddTreeViewNode(root_, u"Beta");
    a2_ = AddTreeViewNode(a_, u"A two");
    a1_ = InsertTreeViewNode(a_, 0, u"A one");
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool windowfocus --sync " + std::to_string(xid_));
    Settle();
    TakeEvents();
  }
  void* Item(const GadgetRef& node) { return FL(node)->nodehandle; }
  // Clicks and takes the events, keeping each one's extra object.
  std::vector<Seen> ClickAt(int x, int y) {
    extras_.clear();
    RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " " + std::to_string(x) +
               " " + std::to_string(y) + " sleep 0.1 click 1");
    Settle(300);
    std::vector<Seen> seen;
    while (QueuedEventCount() > 0 && PollForEvent() != 0) {
      seen.push_back({CurrentEventId(), CurrentEventSource(), CurrentEventData(),
                      CurrentEventMods(), CurrentEventX(), CurrentEventY(), CurrentEventText()});
      extras_.push_back(CurrentEventExtra());
    }
    return seen;
  }
  // The extra object of the first taken event with this id.
  ObjectRef ExtraOf(int id, const std::vector<Seen>& all) {
    for (size_t i = 0; i < all.size(); ++i) {
      if (all[i].id == id) return extras_.at(i);
    }
    return nullptr;
  }
  std::vector<ObjectRef> extras_;
  // Clicks the middle of a node's label.
  std::vector<Seen> ClickLabel(const GadgetRef& node) {
    int x, y, h;
    EXPECT_TRUE(glue_tree_item_row(Item(node), &x, &y, &h));
    return ClickAt(x + 10, y + h / 2);
  }

  GadgetRef window_, tree_, root_, a_, b_, a1_, a2_;
  unsigned long xid_ = 0;
};

TEST_F(FlTreeTest, NodesMirrorTheFltkItems) {
  EXPECT_EQ(FL(tree_)->fltype, FLTYPE_TREE);
  EXPECT_EQ(TreeViewRoot(tree_), root_) << "one root per tree";
  EXPECT_EQ(GadgetClass(a_), KIND_TREENODE);
  EXPECT_EQ(CountTreeViewNodes(root_), 2);
  EXPECT_EQ(CountTreeViewNodes(tree_), 2);
  EXPECT_EQ(CountTreeViewNodes(a_), 2);
  EXPECT_EQ(CountTreeViewNodes(b_), 0);
  EXPECT_EQ(a_->kids.at(0), a1_) << "inserted in front";
  EXPECT_EQ(glue_tree_label(Item(a1_)), u"A one");
  ModifyTreeViewNode(b_, u"B\u00eata", 3);
  EXPECT_EQ(glue_tree_label(Item(b_)), u"B\u00eata");
  EXPECT_EQ(FL(b_)->icon, 3);
  // A node added through the tree goes under the root; a slash is text.
  GadgetRef c = AddTreeViewNode(tree_, u"C/D");
  EXPECT_EQ(CountTreeViewNodes(root_), 3);
  EXPECT_EQ(glue_tree_label(Item(c)), u"C/D");
  // Freeing a node takes its rows and its kids'.
  ReleaseGadget(a_);
  EXPECT_EQ(CountTreeViewNodes(root_), 2);
  EXPECT_EQ(Item(a1_), nullptr);
  EXPECT_EQ(InsertTreeViewNode(a1_, 0, u"late"), nullptr) << "a freed node takes no kids";
  EXPECT_EQ(root_->kids.at(0), b_);
}

TEST_F(FlTreeTest, ProgramSelectionAndExpansionPostNothing) {
  SelectTreeViewNode(a2_);
  EXPECT_EQ(SelectedTreeViewNode(tree_), a2_);
  CollapseTreeViewNode(a_);
  EXPECT_FALSE(glue_tree_is_open(Item(a_)));
  ExpandTreeViewNode(a_);
  EXPECT_TRUE(glue_tree_is_open(Item(a_)));
  SelectTreeViewNode(b_);
  EXPECT_EQ(SelectedTreeViewNode(tree_), b_);
  Settle();
  EXPECT_TRUE(
      Only(TakeEvents(), {EVENT_GADGETSELECT, EVENT_GADGETOPEN, EVENT_GADGETCLOSE}).empty());
}

TEST_F(FlTreeTest, ClicksSelectAndToggleNodesWithTheNodeAsExtra) {
  std::vector<Seen> all = ClickLabel(b_);
  std::vector<Seen> seen = Only(all, {EVENT_GADGETSELECT});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(ExtraOf(EVENT_GADGETSELECT, all), b_);
  EXPECT_EQ(seen[0].source, tree_);
  EXPECT_EQ(SelectedTreeViewNode(tree_), b_);
  // The open/close box sits left of the label.
  int x, y, h;
  ASSERT_TRUE(glue_tree_item_row(Item(a_), &x, &y, &h));
  all = ClickAt(x - 10, y + h / 2);
  seen = Only(all, {EVENT_GADGETOPEN, EVENT_GADGETCLOSE});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETCLOSE);
  EXPECT_EQ(ExtraOf(EVENT_GADGETCLOSE, all), a_);
  EXPECT_FALSE(glue_tree_is_open(Item(a_)));
  seen = Only(ClickAt(x - 10, y + h / 2), {EVENT_GADGETOPEN, EVENT_GADGETCLOSE});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETOPEN);
  EXPECT_TRUE(glue_tree_is_open(Item(a_)));
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor
