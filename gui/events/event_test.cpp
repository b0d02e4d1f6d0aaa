#include "gui/events/event.h"

#include <gtest/gtest.h>

#include "gui/events/object_handles.h"

namespace lexidor {
namespace {

TEST(EventTest, ToStringOfKnownUserAndUnknownIds) {
  struct Case {
    int32_t id;
    const char16_t* name;
  };
  const Case cases[] = {
      {EVENT_WINDOWCLOSE, u"WindowClose"},
      {EVENT_GADGETACTION, u"GadgetAction"},
      {EVENT_KEYREPEAT, u"KeyRepeat"},
      {EVENT_MOUSELEAVE, u"MouseLeave"},
      {EVENT_TIMERTICK, u"TimerTick"},
      {EVENT_PROCESSEXIT, u"ProcessExit"},
      {EVENT_STREAMAVAIL, u"StreamAvail"},
      {static_cast<int32_t>(0x80000001u), u"UserEvent1"},
      {static_cast<int32_t>(0x80000000u), u"UserEvent0"},
      {-1, u"UserEvent2147483647"},
      {0, u"Unknown Event, id=0"},
      {0x2010, u"Unknown Event, id=8208"},
  };
  for (const Case& c : cases) {
    TEvent event;
    event.id = c.id;
    EXPECT_EQ(event.ToString(), String(c.name) + u": data=0, mods=0, x=0, y=0, extra=\"\"") << c.id;
  }
}

TEST(EventTest, ToStringShowsFieldsAndOnlyStringExtras) {
  EventRef event = MakeEvent(EVENT_KEYCHAR, nullptr, -3, 4, -5, 6, BoxString(u"hi"));
  EXPECT_EQ(event->ToString(), u"KeyChar: data=-3, mods=4, x=-5, y=6, extra=\"hi\"");
  event->extra = std::make_shared<TObject>();
  EXPECT_EQ(event->ToString(), u"KeyChar: data=-3, mods=4, x=-5, y=6, extra=\"\"");
}

TEST(EventTest, UserIdsAreNegativeAndCountUp) {
  int32_t first = NewUserEventId();
  int32_t second = TEvent::AllocUserId();
  EXPECT_LT(first, 0);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(EventName(second), u"UserEvent" + IntToString(int64_t{second} + 0x80000000LL));
}

TEST(ObjectHandlesTest, HandlesAreStableDistinctAndWeak) {
  EXPECT_EQ(HandleOfObject(nullptr), 0);
  ObjectRef a = std::make_shared<TObject>();
  ObjectRef b = std::make_shared<TObject>();
  int ha = HandleOfObject(a);
  int hb = HandleOfObject(b);
  EXPECT_NE(ha, 0);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(HandleOfObject(a), ha);
  EXPECT_EQ(ObjectOfHandle(ha), a);
  EXPECT_EQ(ObjectOfHandle(0), nullptr);

  std::weak_ptr<TObject> watch = a;
  a.reset();
  EXPECT_TRUE(watch.expired()) << "the table must not keep objects alive";
  EXPECT_EQ(ObjectOfHandle(ha), nullptr);
  // Objects made after the first one died never inherit its handle, even
  // when one reuses its address.
  for (int i = 0; i < 200; ++i) {
    ObjectRef fresh = std::make_shared<TObject>();
    ASSERT_NE(HandleOfObject(fresh), ha);
  }
  EXPECT_EQ(ObjectOfHandle(hb), b);
}

}  // namespace
}  // namespace lexidor
