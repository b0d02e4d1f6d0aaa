#include "gui/fltk/hot_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace lexidor {
namespace {

class HotKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { InitEventModule(); }
  void TearDown() override {
    while (HotKeyList()) UnbindHotKey(HotKeyList());
  }
};

TEST_F(HotKeysTest, ANullEventBecomesHotkeyHitWithKeyAndModifiers) {
  HotKeyRef entry = BindHotKey(81, 2, nullptr, 0);
  ASSERT_NE(entry->event, nullptr);
  EXPECT_EQ(entry->event->id, EVENT_HOTKEYHIT);
  EXPECT_EQ(entry->event->source, nullptr);
  EXPECT_EQ(entry->event->data, 81);
  EXPECT_EQ(entry->event->mods, 2);
  EXPECT_EQ(FindHotKey(81, 2, 0), entry->event);
  EXPECT_EQ(FindHotKey(81, 0, 0), nullptr);
  EXPECT_EQ(FindHotKey(82, 2, 0), nullptr);
}

TEST_F(HotKeysTest, BindingTheSameKeyModsAndOwnerTwiceKeepsOneEntryWithTheLastEvent) {
  EventRef first = MakeEvent(NewUserEventId());
  EventRef second = MakeEvent(NewUserEventId());
  HotKeyRef a = BindHotKey(112, 0, first, 0);
  HotKeyRef b = BindHotKey(112, 0, second, 0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(HotKeyList(), a);
  EXPECT_EQ(HotKeyList()->succ, nullptr);
  EXPECT_EQ(FindHotKey(112, 0, 0), second);
}

TEST_F(HotKeysTest, NewEntriesGoInFrontAndOwnersLimitTheirBinding) {
  EventRef any = MakeEvent(NewUserEventId());
  EventRef mine = MakeEvent(NewUserEventId());
  BindHotKey(65, 0, any, 0);
  HotKeyRef owned = BindHotKey(65, 0, mine, 1234);
  EXPECT_EQ(HotKeyList(), owned);
  // The owned entry is first, so it wins while its owner has the focus...
  EXPECT_EQ(FindHotKey(65, 0, 1234), mine);
  // ...and is passed over for any other focus.
  EXPECT_EQ(FindHotKey(65, 0, 99), any);
  EXPECT_EQ(FindHotKey(65, 0, 0), any);
}

TEST_F(HotKeysTest, UnbindTakesOutOnlyThatEntry) {
  HotKeyRef a = BindHotKey(1, 0, nullptr, 0);
  HotKeyRef b = BindHotKey(2, 0, nullptr, 0);
  HotKeyRef c = BindHotKey(3, 0, nullptr, 0);
  UnbindHotKey(b);
  std::vector<int> keys;
  for (HotKeyRef h = HotKeyList(); h; h = h->succ) keys.push_back(h->key);
  EXPECT_EQ(keys, (std::vector<int>{3, 1}));
  UnbindHotKey(b);  // not in the list any more: nothing happens
  UnbindHotKey(nullptr);
  EXPECT_EQ(FindHotKey(2, 0, 0), nullptr);
  EXPECT_NE(FindHotKey(1, 0, 0), nullptr);
  EXPECT_NE(FindHotKey(3, 0, 0), nullptr);
}

}  // namespace
}  // namespace lexidor
