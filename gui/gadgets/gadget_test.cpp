// The gadget tree, geometry and layout, against the recording test driver.
#include "gui/gadgets/gadget.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/gadgets/gadget_test_driver.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

using testing_support::CallLog;
using testing_support::TRecordingGadget;

std::shared_ptr<TRecordingGadget> MakeGadget(const std::shared_ptr<CallLog>& log,
                                             const std::string& name) {
  auto gadget = std::make_shared<TRecordingGadget>(log);
  gadget->name = FromUtf8(name);
  return gadget;
}

std::string KidNames(const TGadget& gadget) {
  std::string names;
  for (const GadgetRef& kid : gadget.kids) names += ToUtf8(kid->name);
  return names;
}

struct SetParentCase {
  int index;
  const char* order;
};

class SetParentIndex : public ::testing::TestWithParam<SetParentCase> {};

TEST_P(SetParentIndex, PlacesTheKidAtTheIndexOrAtTheEnd) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  std::vector<GadgetRef> keep;
  for (const char* name : {"A", "B", "C"}) {
    auto kid = MakeGadget(log, name);
    kid->_setparent(group.get(), -1);
    keep.push_back(kid);
  }
  auto added = MakeGadget(log, "N");
  added->_setparent(group.get(), GetParam().index);
  EXPECT_EQ(KidNames(*group), GetParam().order);
  EXPECT_EQ(added->parent, group.get());
}

INSTANTIATE_TEST_SUITE_P(Indexes, SetParentIndex,
                         ::testing::Values(SetParentCase{-1, "ABCN"}, SetParentCase{-5, "ABCN"},
                                           SetParentCase{0, "NABC"}, SetParentCase{1, "ANBC"},
                                           SetParentCase{2, "ABNC"}, SetParentCase{3, "ABCN"},
                                           SetParentCase{7, "ABCN"}));

TEST(GadgetTree, SetParentMovesTheKidOutOfItsOldGroup) {
  auto log = std::make_shared<CallLog>();
  auto first = MakeGadget(log, "F");
  auto second = MakeGadget(log, "S");
  auto a = MakeGadget(log, "A");
  auto b = MakeGadget(log, "B");
  a->_setparent(first.get(), -1);
  b->_setparent(first.get(), -1);

  b->_setparent(first.get(), 0);  // within the same group: moved, not doubled
  EXPECT_EQ(KidNames(*first), "BA");

  a->_setparent(second.get(), -1);
  EXPECT_EQ(KidNames(*first), "B");
  EXPECT_EQ(KidNames(*second), "A");
  EXPECT_EQ(a->parent, second.get());

  a->_setparent(nullptr, 0);
  EXPECT_EQ(KidNames(*second), "");
  EXPECT_EQ(a->parent, nullptr);
}

TEST(GadgetTree, RefusesLoopsAndUnsharedGadgets) {
  auto log = std::make_shared<CallLog>();
  auto top = MakeGadget(log, "T");
  auto mid = MakeGadget(log, "M");
  mid->_setparent(top.get(), -1);
  EXPECT_THROW(top->_setparent(mid.get(), -1), TRuntimeException);
  EXPECT_THROW(top->_setparent(top.get(), -1), TRuntimeException);
  EXPECT_EQ(top->parent, nullptr);
  EXPECT_EQ(KidNames(*mid), "");

  TRecordingGadget on_stack(log);
  EXPECT_THROW(on_stack._setparent(top.get(), -1), TRuntimeException);
  EXPECT_EQ(KidNames(*top), "M");
}

TEST(GadgetTree, HasDescendantSearchesTheWholeSubtree) {
  auto log = std::make_shared<CallLog>();
  auto top = MakeGadget(log, "T");
  auto mid = MakeGadget(log, "M");
  auto leaf = MakeGadget(log, "L");
  auto other = MakeGadget(log, "O");
  mid->_setparent(top.get(), -1);
  leaf->_setparent(mid.get(), -1);
  EXPECT_EQ(top->HasDescendant(top.get()), 1);
  EXPECT_EQ(top->HasDescendant(leaf.get()), 1);
  EXPECT_EQ(mid->HasDescendant(top.get()), 0);
  EXPECT_EQ(top->HasDescendant(other.get()), 0);
}

TEST(GadgetTree, ADestroyedParentLeavesNoDanglingPointerInItsKids) {
  auto log = std::make_shared<CallLog>();
  auto kid = MakeGadget(log, "K");
  {
    auto group = MakeGadget(log, "G");
    kid->_setparent(group.get(), -1);
    ASSERT_EQ(kid->parent, group.get());
  }
  EXPECT_EQ(kid->parent, nullptr);
}

int AcceptAll(const EventRef&, const ObjectRef&) { return 1; }

TEST(GadgetTree, CleanUpDropsUserDataAndFreesThroughTheDriver) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  auto kid = MakeGadget(log, "K");
  kid->_setparent(group.get(), -1);
  kid->extra = BoxString(u"data");
  kid->SetFilter(AcceptAll, BoxString(u"context"));
  ASSERT_EQ(kid->eventfilter, &AcceptAll);

  kid->CleanUp();
  EXPECT_EQ(kid->extra, nullptr);
  EXPECT_EQ(kid->eventfilter, nullptr);
  EXPECT_EQ(kid->context, nullptr);
  EXPECT_EQ(*log, CallLog{"Free"});
  EXPECT_EQ(KidNames(*group), "");
}

TEST(GadgetGeometry, SetRectNeverStoresANegativeSize) {
  TGadget gadget;
  gadget.SetRect(-5, -6, -1, 30);
  EXPECT_EQ(gadget.xpos, -5);
  EXPECT_EQ(gadget.ypos, -6);
  EXPECT_EQ(gadget.width, 0);
  EXPECT_EQ(gadget.height, 30);
}

TEST(GadgetGeometry, LockLayoutRecordsRectangleAndParentClientSizeAtLeastOne) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  auto kid = MakeGadget(log, "K");
  kid->SetShape(1, 2, 3, 4);  // no parent: client size counts as 1 x 1
  EXPECT_EQ(
      std::vector<int>({kid->lockx, kid->locky, kid->lockw, kid->lockh, kid->lockcw, kid->lockch}),
      std::vector<int>({1, 2, 3, 4, 1, 1}));

  kid->_setparent(group.get(), -1);
  group->client_w = 0;
  group->client_h = 250;
  kid->SetShape(5, 6, 7, 8);
  EXPECT_EQ(
      std::vector<int>({kid->lockx, kid->locky, kid->lockw, kid->lockh, kid->lockcw, kid->lockch}),
      std::vector<int>({5, 6, 7, 8, 1, 250}));
}

// One layout case: the edge modes (the same on both axes) and the expected
// rectangle after the parent's client area grows from 400 x 300 to 600 x 500,
// for a kid locked at (10, 20, 100, 50).
struct LayoutCase {
  const char* name;
  int near_mode, far_mode;
  int x, y, w, h;
};

class LayoutModes : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutModes, MovesTheKidWhenTheParentGrows) {
  const LayoutCase& c = GetParam();
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  group->client_w = 400;
  group->client_h = 300;
  auto kid = MakeGadget(log, "K");
  kid->_setparent(group.get(), -1);
  kid->SetRect(10, 20, 100, 50);
  kid->SetLayout(c.near_mode, c.far_mode, c.near_mode, c.far_mode);

  group->client_w = 600;
  group->client_h = 500;
  group->LayoutKids();
  EXPECT_EQ(std::vector<int>({kid->xpos, kid->ypos, kid->width, kid->height}),
            std::vector<int>({c.x, c.y, c.w, c.h}))
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeModes, LayoutModes,
    ::testing::Values(
        // Both edges anchored: the far edge keeps its distance (290 / 230).
        LayoutCase{"anchored", 1, 1, 10, 20, 300, 250},
        // Both proportional: 600*10/400, 600*110/400; 500*20/300, 500*70/300.
        LayoutCase{"proportional", 2, 2, 15, 33, 150, 83},
        // Both floating: same size, centre at the same fraction (60/400, 45/300).
        LayoutCase{"floating", 0, 0, 40, 50, 100, 50},
        LayoutCase{"anchored near, floating far", 1, 0, 10, 20, 100, 50},
        LayoutCase{"floating near, anchored far", 0, 1, 210, 220, 100, 50},
        LayoutCase{"proportional near, anchored far", 2, 1, 15, 33, 295, 237},
        LayoutCase{"anchored near, proportional far", 1, 2, 10, 20, 155, 96},
        LayoutCase{"floating near, proportional far", 0, 2, 65, 66, 100, 50},
        LayoutCase{"proportional near, floating far", 2, 0, 15, 33, 100, 50}));

TEST(GadgetLayout, AnchoredKidInAShrinkingParentGetsWidthZeroNotNegative) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  group->client_w = 400;
  group->client_h = 300;
  auto kid = MakeGadget(log, "K");
  kid->_setparent(group.get(), -1);
  kid->SetRect(10, 20, 100, 50);
  kid->SetLayout(EDGE_ANCHORED, EDGE_ANCHORED, EDGE_ANCHORED, EDGE_ANCHORED);
  group->client_w = 200;
  group->client_h = 100;
  group->LayoutKids();
  EXPECT_EQ(kid->xpos, 10);
  EXPECT_EQ(kid->width, 0);  // 200 - 290 - 10 would be negative
  EXPECT_EQ(kid->height, 0);
}

TEST(GadgetLayout, FloatingKidKeepsItsCentreFractionOverManySizes) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  group->client_w = 1000;
  group->client_h = 1000;
  auto kid = MakeGadget(log, "K");
  kid->_setparent(group.get(), -1);
  kid->SetRect(300, 700, 80, 40);  // centres at 0.34 and 0.72
  kid->SetLayout(0, 0, 0, 0);
  for (int size = 50; size <= 3000; size += 37) {
    group->client_w = size;
    group->client_h = size;
    group->LayoutKids();
    ASSERT_EQ(kid->width, 80);
    ASSERT_EQ(kid->height, 40);
    EXPECT_NEAR(kid->xpos + 40, size * 0.34, 1.0) << size;
    EXPECT_NEAR(kid->ypos + 20, size * 0.72, 1.0) << size;
  }
}

TEST(GadgetLayout, SkipsWindowsMenuItemsTreeNodesAndOrphans) {
  auto log = std::make_shared<CallLog>();
  auto group = MakeGadget(log, "G");
  group->client_w = 400;
  group->client_h = 300;
  for (int kind : {KIND_WINDOW, KIND_MENUITEM, KIND_TREENODE}) {
    auto kid = MakeGadget(log, "K");
    kid->kind = kind;
    kid->_setparent(group.get(), -1);
    kid->SetRect(10, 20, 100, 50);
    kid->SetLayout(1, 1, 1, 1);
    group->client_w = 600;
    kid->DoLayout();
    EXPECT_EQ(kid->width, 100) << kind;
    group->client_w = 400;
  }
  auto orphan = MakeGadget(log, "O");
  orphan->SetRect(10, 20, 100, 50);
  orphan->SetLayout(2, 2, 2, 2);
  orphan->DoLayout();
  EXPECT_EQ(std::vector<int>({orphan->xpos, orphan->width}), std::vector<int>({10, 100}));
}

TEST(GadgetLayout, ResizePropagatesDownTheTree) {
  auto log = std::make_shared<CallLog>();
  auto top = MakeGadget(log, "T");
  top->SetShape(0, 0, 400, 300);
  auto mid = MakeGadget(log, "M");
  mid->_setparent(top.get(), -1);
  mid->SetShape(0, 0, 400, 300);
  mid->SetLayout(1, 1, 1, 1);
  auto leaf = MakeGadget(log, "L");
  leaf->_setparent(mid.get(), -1);
  leaf->SetShape(390, 290, 10, 10);
  leaf->SetLayout(0, 1, 0, 1);  // stays in the bottom right corner

  top->SetShape(0, 0, 800, 600);
  EXPECT_EQ(std::vector<int>({mid->width, mid->height}), std::vector<int>({800, 600}));
  EXPECT_EQ(std::vector<int>({leaf->xpos, leaf->ypos, leaf->width, leaf->height}),
            std::vector<int>({790, 590, 10, 10}));
}

}  // namespace
}  // namespace lexidor
