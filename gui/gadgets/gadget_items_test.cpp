// Item lists, selection and data sources, against the recording test driver.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gui/gadgets/data_source.h"
#include "gui/gadgets/gadget.h"
#include "gui/gadgets/gadget_test_driver.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

using testing_support::CallLog;
using testing_support::TRecordingGadget;

std::shared_ptr<TRecordingGadget> MakeList() {
  auto gadget = std::make_shared<TRecordingGadget>(std::make_shared<CallLog>());
  gadget->kind = KIND_LISTBOX;
  return gadget;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : ",") + part;
  return joined;
}

std::string ItemTexts(TGadget& gadget) {
  std::vector<std::string> texts;
  for (int i = 0; i < gadget.ItemCount(); ++i) texts.push_back(ToUtf8(gadget.ItemText(i)));
  return Join(texts);
}

std::shared_ptr<TStringArray> Keys(const std::vector<std::string>& keys) {
  auto array = std::make_shared<TStringArray>();
  for (const std::string& key : keys) array->values.push_back(FromUtf8(key));
  return array;
}

void SetSelection(TRecordingGadget& gadget, const std::vector<int>& selected) {
  for (auto& entry : gadget.list) entry.state &= ~ITEMSTATE_SELECTED;
  for (int index : selected) gadget.list.at(index).state |= ITEMSTATE_SELECTED;
}

TEST(GadgetItems, InsertWithFlagOneLeavesTheNewItemSelected) {
  auto list = MakeList();
  list->InsertItem(0, u"A", u"tip", 5, nullptr, 0);
  list->InsertItem(0, u"B", u"", 6, nullptr, ITEMFLAG_SELECTED);
  EXPECT_EQ(*list->log,
            CallLog({"InsertListItem(0,A,5)", "InsertListItem(0,B,6)", "SetListItemState(0,16)"}));
  EXPECT_EQ(list->SelectedItem(), 0);
  EXPECT_EQ(ItemTexts(*list), "B,A");
  EXPECT_EQ(list->ItemTip(1), u"tip");
  EXPECT_EQ(list->ItemFlags(0), ITEMFLAG_SELECTED);
}

TEST(GadgetItems, SetItemAndRemoveItemKeepItemsAndWidgetInStep) {
  auto list = MakeList();
  auto extra = BoxString(u"x");
  for (const char16_t* text : {u"A", u"B", u"C"}) {
    list->InsertItem(list->ItemCount(), text, u"", 0, nullptr, 0);
  }
  list->SetItem(1, u"b", u"tip", 7, extra, ITEMFLAG_SELECTED);
  list->RemoveItem(0);
  EXPECT_EQ(ItemTexts(*list), "b,C");
  EXPECT_EQ(Join(list->ListTexts()), "b,C");
  EXPECT_EQ(list->ItemIcon(0), 7);
  EXPECT_EQ(list->ItemExtra(0), extra);
  EXPECT_EQ(list->SelectedItem(), 0);
}

TEST(GadgetItems, IndexBoundsAreChecked) {
  auto list = MakeList();
  list->InsertItem(0, u"A", u"", 0, nullptr, 0);
  list->InsertItem(99, u"B", u"", 0, nullptr, 0);  // beyond the end: appended
  list->InsertItem(-3, u"C", u"", 0, nullptr, 0);
  EXPECT_EQ(ItemTexts(*list), "A,B,C");
  EXPECT_EQ(list->ItemExtra(-1), nullptr);
  EXPECT_THROW(list->ItemText(3), TRuntimeException);
  EXPECT_THROW(list->ItemExtra(-2), TRuntimeException);
  EXPECT_THROW(list->RemoveItem(3), TRuntimeException);
  EXPECT_THROW(list->SetItem(-1, u"", u"", 0, nullptr, 0), TRuntimeException);
  EXPECT_THROW(list->SelectItem(5, ITEM_SELECT), TRuntimeException);
  EXPECT_EQ(list->ItemCount(), 3);
}

struct SelectCase {
  const char* name;
  int icon, flags;
  std::vector<int> operations;
  CallLog calls;
};

class SelectItemIcon : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectItemIcon, ShowsTheSelectionInTheIconOnlyWithFlagTwo) {
  const SelectCase& c = GetParam();
  auto list = MakeList();
  list->InsertItem(0, u"A", u"", c.icon, nullptr, c.flags);
  list->log->clear();
  for (int operation : c.operations) list->SelectItem(0, operation);
  EXPECT_EQ(*list->log, c.calls) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, SelectItemIcon,
    ::testing::Values(
        SelectCase{"flag 2: select, then deselect",
                   3,
                   ITEMFLAG_TOGGLEICON,
                   {ITEM_SELECT, ITEM_DESELECT},
                   {"SetListItem(0,A,4)", "SetListItemState(0,16)", "SetListItem(0,A,3)",
                    "SetListItemState(0,0)"}},
        SelectCase{"flag 2: toggle twice",
                   0,
                   ITEMFLAG_TOGGLEICON,
                   {ITEM_TOGGLE, ITEM_TOGGLE},
                   {"SetListItem(0,A,1)", "SetListItemState(0,16)", "SetListItem(0,A,0)",
                    "SetListItemState(0,0)"}},
        SelectCase{"no flag 2", 3, 0, {ITEM_SELECT}, {"SetListItemState(0,16)"}},
        SelectCase{
            "negative icon", -1, ITEMFLAG_TOGGLEICON, {ITEM_SELECT}, {"SetListItemState(0,16)"}}));

TEST(GadgetItems, SelectKeepsOtherStateBits) {
  auto list = MakeList();
  list->InsertItem(0, u"A", u"", 0, nullptr, 0);
  list->list[0].state = ITEMSTATE_DISABLED;
  list->SelectItem(0, ITEM_TOGGLE);
  EXPECT_EQ(list->ItemState(0), ITEMSTATE_DISABLED | ITEMSTATE_SELECTED);
  list->SelectItem(0, ITEM_DESELECT);
  EXPECT_EQ(list->ItemState(0), ITEMSTATE_DISABLED);
}

TEST(GadgetItems, SelectAllAndSelectedItem) {
  auto list = MakeList();
  for (const char16_t* text : {u"A", u"B", u"C"}) {
    list->InsertItem(list->ItemCount(), text, u"", 0, nullptr, 0);
  }
  EXPECT_EQ(list->SelectedItem(), -1);  // none
  list->SelectItem(-1, ITEM_SELECT);
  EXPECT_EQ(list->SelectedItems(), std::vector<int>({0, 1, 2}));
  list->SelectItem(1, ITEM_DESELECT);
  EXPECT_EQ(list->SelectedItems(), std::vector<int>({0, 2}));
  EXPECT_EQ(list->SelectedItem(), -1);  // two selected
  list->SelectItem(0, ITEM_TOGGLE);
  EXPECT_EQ(list->SelectedItem(), 2);
  list->SelectItem(-1, ITEM_TOGGLE);
  EXPECT_EQ(list->SelectedItems(), std::vector<int>({0, 1}));
}

struct ChangeCase {
  std::vector<int> before, after;
  int expected;
};

class SelectionChangedCases : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SelectionChangedCases, ReportsTheFirstDifference) {
  const ChangeCase& c = GetParam();
  auto list = MakeList();
  for (int i = 0; i < 6; ++i) list->InsertItem(i, u"x", u"", 0, nullptr, 0);
  SetSelection(*list, c.before);
  list->SelectionChanged();
  SetSelection(*list, c.after);
  EXPECT_EQ(list->SelectionChanged(), c.expected);
  EXPECT_EQ(list->arrPrevSelection, c.after);
  EXPECT_EQ(list->SelectionChanged(), -1);  // nothing changed since
}

INSTANTIATE_TEST_SUITE_P(Selections, SelectionChangedCases,
                         ::testing::Values(ChangeCase{{}, {}, -1}, ChangeCase{{}, {2}, 2},
                                           ChangeCase{{2}, {}, 2}, ChangeCase{{2}, {2}, -1},
                                           ChangeCase{{1, 3}, {1, 2}, 2},
                                           ChangeCase{{1, 2}, {1, 3}, 2},
                                           ChangeCase{{1, 3}, {1, 3, 4}, 4},
                                           ChangeCase{{1, 3, 4}, {1, 3}, 4},
                                           ChangeCase{{0, 5}, {3}, 0}, ChangeCase{{4}, {1, 4}, 1}));

TEST(GadgetDataSource, SyncRemovesOnlyTheDroppedKey) {
  auto list = MakeList();
  auto source = Keys({"A", "B", "C"});
  list->SetDataSource(source);
  list->log->clear();
  source->values = {u"B", u"C"};
  EXPECT_EQ(list->SyncDataSource(), 0);
  EXPECT_EQ(*list->log, CallLog{"RemoveListItem(0)"});
  EXPECT_EQ(ItemTexts(*list), "B,C");
}

TEST(GadgetDataSource, SyncInsertsOnlyTheNewKey) {
  auto list = MakeList();
  auto source = Keys({"A", "B"});
  list->SetDataSource(source);
  list->log->clear();
  source->values = {u"A", u"X", u"B"};
  list->SyncDataSource();
  EXPECT_EQ(*list->log, CallLog{"InsertListItem(1,X,0)"});
  EXPECT_EQ(ItemTexts(*list), "A,X,B");
  EXPECT_EQ(list->ItemExtra(1), source);  // items made from keys carry the source
  EXPECT_EQ(list->datakeys, std::vector<String>({u"A", u"X", u"B"}));
}

TEST(GadgetDataSource, SyncAgreesWithAPlainRebuildOnRandomLists) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> length(0, 12);
  std::uniform_int_distribution<int> letter(0, 4);  // few letters: many duplicates
  auto random_keys = [&] {
    std::vector<std::string> keys(length(random));
    for (auto& key : keys) key = std::string(1, static_cast<char>('A' + letter(random)));
    return keys;
  };
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> old_keys = random_keys();
    std::vector<std::string> new_keys = random_keys();
    auto synced = MakeList();
    auto source = Keys(old_keys);
    synced->SetDataSource(source);
    synced->log->clear();
    *source = *Keys(new_keys);
    synced->SyncDataSource();

    auto rebuilt = MakeList();
    auto fresh = Keys(new_keys);
    rebuilt->SetDataSource(fresh);

    const std::string context = Join(old_keys) + " -> " + Join(new_keys);
    ASSERT_EQ(ItemTexts(*synced), Join(new_keys)) << context;
    ASSERT_EQ(ItemTexts(*synced), ItemTexts(*rebuilt)) << context;
    ASSERT_EQ(synced->ListTexts(), rebuilt->ListTexts()) << context;
    for (int i = 0; i < synced->ItemCount(); ++i) {
      ASSERT_EQ(synced->ItemTip(i), rebuilt->ItemTip(i)) << context;
      ASSERT_EQ(synced->ItemIcon(i), rebuilt->ItemIcon(i)) << context;
      ASSERT_EQ(synced->ItemFlags(i), rebuilt->ItemFlags(i)) << context;
      ASSERT_EQ(synced->ItemExtra(i), source) << context;
    }
    // Never more work than emptying the list and filling it again.
    ASSERT_LE(synced->log->size(), old_keys.size() + new_keys.size()) << context;
    if (old_keys == new_keys) {
      ASSERT_TRUE(synced->log->empty()) << context;
    }
  }
}

class Named : public TObject {
 public:
  explicit Named(String text) : text_(std::move(text)) {}
  String ToString() const override { return text_; }

 private:
  String text_;
};

TEST(GadgetDataSource, ListsAndObjectArraysGiveTheTextsOfTheirNonNullElements) {
  auto list = MakeList();
  auto objects = std::make_shared<TObjectList>();
  objects->values = {std::make_shared<Named>(u"one"), nullptr, std::make_shared<Named>(u"two")};
  list->SetDataSource(objects);
  EXPECT_EQ(ItemTexts(*list), "one,two");

  auto array = std::make_shared<TObjectArray>();
  array->values = {nullptr, BoxString(u"three")};
  list->SetDataSource(array);
  EXPECT_EQ(ItemTexts(*list), "three");
  EXPECT_EQ(list->ItemExtra(0), array);

  list->SetDataSource(BoxString(u"not a container"));
  EXPECT_EQ(list->ItemCount(), 0);
  EXPECT_EQ(list->SyncDataSource(), 0);
}

TEST(GadgetDataSource, AnEmptiedSourceClearsTheListAndAFilledOneSyncsFromScratch) {
  auto list = MakeList();
  EXPECT_EQ(list->SyncDataSource(), 0);  // no source
  auto source = Keys({"A", "B", "C"});
  list->SetDataSource(source);
  source->values.clear();
  EXPECT_EQ(list->SyncDataSource(), 1);
  EXPECT_EQ(list->ItemCount(), 0);
  EXPECT_EQ(list->SyncDataSource(), 0);  // nothing left to clear

  // The keys A, B, C are gone with the items: B, C are two new items, not
  // what is left after dropping A.
  source->values = {u"B", u"C"};
  list->SyncDataSource();
  EXPECT_EQ(ItemTexts(*list), "B,C");
  EXPECT_EQ(Join(list->ListTexts()), "B,C");
}

}  // namespace
}  // namespace lexidor
