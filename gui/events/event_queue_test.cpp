#include "gui/events/event_queue.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gui/events/hooks.h"
#include "gui/events/object_handles.h"
#include "gui/events/system_driver.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

// A system driver that runs a scripted action on each Poll / Wait and
// counts the calls.
class ScriptedDriver : public TSystemDriver {
 public:
  void Poll() override {
    ++polls;
    if (on_poll) on_poll();
  }
  void Wait() override {
    ++waits;
    if (on_wait) on_wait();
  }
  int polls = 0;
  int waits = 0;
  std::function<void()> on_poll;
  std::function<void()> on_wait;
};

class EventQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEventQueueModule();
    ClearEventQueue();
    driver_ = std::make_shared<ScriptedDriver>();
    SetActiveSystemDriver(driver_);
    PollForEvent();  // the current event back to EmptyEvent
    driver_->polls = 0;
  }
  void TearDown() override {
    ClearEventQueue();
    SetActiveSystemDriver(nullptr);
  }
  std::shared_ptr<ScriptedDriver> driver_;
};

TEST_F(EventQueueTest, CoalescableEventsMergeBySameIdAndSameSource) {
  ObjectRef gadget = std::make_shared<TObject>();
  ObjectRef other = std::make_shared<TObject>();
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, gadget, 1, 1, 1, 1, BoxString(u"one")));
  DispatchEvent(MakeEvent(EVENT_WINDOWCLOSE, gadget));
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, other, 9));
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, gadget, 2, 3, 4, 5, BoxString(u"two")));
  DispatchEvent(MakeEvent(EVENT_WINDOWCLOSE, gadget));
  ASSERT_EQ(QueuedEventCount(), 4);

  // The merged event keeps its place and carries the later fields.
  EXPECT_EQ(PollForEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEventSource(), gadget);
  EXPECT_EQ(CurrentEventData(), 2);
  EXPECT_EQ(CurrentEventMods(), 3);
  EXPECT_EQ(CurrentEventX(), 4);
  EXPECT_EQ(CurrentEventY(), 5);
  EXPECT_EQ(CurrentEventText(), u"two");
  EXPECT_EQ(PollForEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(PollForEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEventSource(), other);
  EXPECT_EQ(PollForEvent(), EVENT_WINDOWCLOSE) << "WindowClose never merges";
}

TEST_F(EventQueueTest, EachCoalescingIdMergesAndNullSourcesCountAsSame) {
  for (int32_t id : {EVENT_TIMERTICK, EVENT_GADGETACTION, EVENT_WINDOWMOVE, EVENT_WINDOWSIZE}) {
    DispatchEvent(MakeEvent(id, nullptr, 1));
    DispatchEvent(MakeEvent(id, nullptr, 2));
    ASSERT_EQ(QueuedEventCount(), 1) << id;
    EXPECT_EQ(PollForEvent(), id);
    EXPECT_EQ(CurrentEventData(), 2);
  }
  for (int32_t id : {EVENT_KEYDOWN, EVENT_MOUSEMOVE, EVENT_GADGETSELECT}) {
    DispatchEvent(MakeEvent(id));
    DispatchEvent(MakeEvent(id));
    EXPECT_EQ(QueuedEventCount(), 2) << id;
    ClearEventQueue();
  }
}

TEST_F(EventQueueTest, CoalescableEventWhoseTwinWasTakenIsQueuedAnew) {
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, nullptr, 1));
  EXPECT_EQ(PollForEvent(), EVENT_GADGETACTION);
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, nullptr, 2));
  EXPECT_EQ(QueuedEventCount(), 1);
  EXPECT_EQ(PollForEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEventData(), 2);
}

TEST_F(EventQueueTest, FullQueueDropsThe257thEventAndTakingOneMakesRoom) {
  for (int i = 0; i < EVENT_QUEUE_SIZE + 1; ++i)
    DispatchEvent(MakeEvent(EVENT_KEYDOWN, nullptr, i));
  EXPECT_EQ(QueuedEventCount(), EVENT_QUEUE_SIZE);
  // Even a coalescable event still merges into a full queue.
  ObjectRef gadget = std::make_shared<TObject>();
  ClearEventQueue();
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, gadget, 0));
  for (int i = 1; i < EVENT_QUEUE_SIZE; ++i) DispatchEvent(MakeEvent(EVENT_KEYDOWN, nullptr, i));
  DispatchEvent(MakeEvent(EVENT_GADGETACTION, gadget, 77));
  DispatchEvent(MakeEvent(EVENT_KEYUP, nullptr, 1000));  // lost
  ASSERT_EQ(QueuedEventCount(), EVENT_QUEUE_SIZE);
  EXPECT_EQ(PollForEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEventData(), 77);

  DispatchEvent(MakeEvent(EVENT_KEYUP, nullptr, 1001));  // room for one
  DispatchEvent(MakeEvent(EVENT_KEYUP, nullptr, 1002));  // lost
  std::vector<int> data;
  while (PollForEvent() != 0) data.push_back(CurrentEventData());
  ASSERT_EQ(data.size(), static_cast<size_t>(EVENT_QUEUE_SIZE));
  for (int i = 1; i < EVENT_QUEUE_SIZE; ++i) EXPECT_EQ(data[i - 1], i);
  EXPECT_EQ(data.back(), 1001);
}

TEST_F(EventQueueTest, QueueOrderSurvivesManyWrapsOfTheRing) {
  for (int round = 0; round < 3 * EVENT_QUEUE_SIZE; ++round) {
    DispatchEvent(MakeEvent(EVENT_KEYDOWN, nullptr, round));
    DispatchEvent(MakeEvent(EVENT_KEYUP, nullptr, round));
    ASSERT_EQ(PollForEvent(), EVENT_KEYDOWN);
    ASSERT_EQ(CurrentEventData(), round);
    ASSERT_EQ(PollForEvent(), EVENT_KEYUP);
  }
}

TEST_F(EventQueueTest, QueueStoresTheEmittedObjectItself) {
  EventRef event = MakeEvent(EVENT_MENUACTION, nullptr, 4);
  DispatchEvent(event);
  EXPECT_EQ(PeekQueuedEvent(), event);
  AwaitEvent();
  EXPECT_EQ(CurrentEvent(), event);
}

TEST_F(EventQueueTest, PeekThenAwaitReturnsThePeekedEvent) {
  driver_->on_poll = [] { DispatchEvent(MakeEvent(EVENT_WINDOWCLOSE, nullptr, 7)); };
  EventRef peeked = PeekQueuedEvent();
  ASSERT_NE(peeked, nullptr);
  EXPECT_EQ(driver_->polls, 1);
  EXPECT_EQ(CurrentEventId(), 0) << "peeking leaves the current event alone";
  EXPECT_EQ(AwaitEvent(), peeked->id);
  EXPECT_EQ(CurrentEvent(), peeked);
  EXPECT_EQ(driver_->waits, 0);
  driver_->on_poll = nullptr;
  EXPECT_EQ(PeekQueuedEvent(), nullptr);
  EXPECT_EQ(driver_->polls, 2);
}

TEST_F(EventQueueTest, AwaitBlocksInTheDriverUntilSomethingIsQueued) {
  driver_->on_wait = [this] {
    if (driver_->waits == 3) DispatchEvent(MakeEvent(EVENT_KEYCHAR, nullptr, 'a'));
  };
  EXPECT_EQ(AwaitEvent(), EVENT_KEYCHAR);
  EXPECT_EQ(driver_->waits, 3);
  EXPECT_EQ(CurrentEventData(), 'a');
}

TEST_F(EventQueueTest, EmptyPollPumpsOnceAndMakesEmptyEventCurrent) {
  ObjectRef source = std::make_shared<TObject>();
  DispatchEvent(MakeEvent(EVENT_MOUSEUP, source, 1, 2, 3, 4, BoxString(u"x")));
  ASSERT_EQ(PollForEvent(), EVENT_MOUSEUP);
  EXPECT_NE(CurrentEventSourceHandle(), 0);
  EXPECT_EQ(CurrentEventSourceHandle(), HandleOfObject(source));
  EXPECT_EQ(driver_->polls, 0) << "no pump while events are queued";

  EXPECT_EQ(PollForEvent(), 0);
  EXPECT_EQ(driver_->polls, 1);
  EXPECT_EQ(CurrentEvent(), EmptyEvent());
  EXPECT_EQ(CurrentEventData() | CurrentEventMods() | CurrentEventX() | CurrentEventY(), 0);
  EXPECT_EQ(CurrentEventSource(), nullptr);
  EXPECT_EQ(CurrentEventSourceHandle(), 0);
  EXPECT_EQ(CurrentEventExtra(), nullptr);
  EXPECT_EQ(CurrentEventText(), u"");
}

TEST_F(EventQueueTest, PolledEventFromThePumpIsTakenAtOnce) {
  driver_->on_poll = [] { DispatchEvent(MakeEvent(EVENT_APPIDLE)); };
  EXPECT_EQ(PollForEvent(), EVENT_APPIDLE);
}

ObjectRef SwallowKeys(int, const ObjectRef& data, const ObjectRef&) {
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  return event && event->id == EVENT_KEYDOWN ? nullptr : data;
}

TEST_F(EventQueueTest, HookAboveTheQueueCanSwallowEvents) {
  InsertHook(EventHookId(), SwallowKeys, nullptr, 100000);
  DispatchEvent(MakeEvent(EVENT_KEYDOWN));
  DispatchEvent(MakeEvent(EVENT_KEYUP));
  DeleteHook(EventHookId(), SwallowKeys, nullptr);
  DispatchEvent(MakeEvent(EVENT_KEYDOWN));
  EXPECT_EQ(PollForEvent(), EVENT_KEYUP);
  EXPECT_EQ(PollForEvent(), EVENT_KEYDOWN);
  EXPECT_EQ(PollForEvent(), 0);
}

ObjectRef SeeBelowQueue(int, const ObjectRef& data, const ObjectRef& context) {
  static_cast<TBoxedString&>(*context).value = data ? u"event" : u"null";
  return data;
}

TEST_F(EventQueueTest, QueueHookPassesTheEventOnAndIgnoresNonEvents) {
  ObjectRef seen = BoxString(u"");
  InsertHook(EventHookId(), SeeBelowQueue, seen, -20000);
  DispatchEvent(MakeEvent(EVENT_KEYUP));
  EXPECT_EQ(*StringOf(seen), u"event");
  CallHooks(EventHookId(), BoxString(u"not an event"));
  DeleteHook(EventHookId(), SeeBelowQueue, seen);
  EXPECT_EQ(*StringOf(seen), u"null");
  EXPECT_EQ(QueuedEventCount(), 1);
}

}  // namespace
}  // namespace lexidor
