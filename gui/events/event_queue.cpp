#include "gui/events/event_queue.h"

#include <array>

#include "gui/events/hooks.h"
#include "gui/events/object_handles.h"
#include "gui/events/system_driver.h"

namespace lexidor {
namespace {

// The ring.  put and get only ever grow; the slot of a counter value is its
// low eight bits.  Empty when they are equal, full when put - get == 256.
struct Queue {
  std::array<EventRef, EVENT_QUEUE_SIZE> slots;
  uint32_t put = 0;
  uint32_t get = 0;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

bool initialised = false;

EventRef& EmptyEventSlot() {
  static EventRef empty;
  return empty;
}

EventRef& LastTakenEvent() {
  static EventRef last;
  return last;
}

bool QueueEmpty() { return TheQueue().put == TheQueue().get; }

int TakeEvent() {
  Queue& queue = TheQueue();
  EventRef& slot = queue.slots[queue.get % EVENT_QUEUE_SIZE];
  LastTakenEvent() = std::move(slot);
  slot.reset();
  ++queue.get;
  return LastTakenEvent()->id;
}

bool Coalesces(int32_t id) {
  return id == EVENT_TIMERTICK || id == EVENT_GADGETACTION || id == EVENT_WINDOWMOVE ||
         id == EVENT_WINDOWSIZE;
}

ObjectRef QueueHook(int, const ObjectRef& data, const ObjectRef&) {
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  if (!event) return nullptr;
  QueueEvent(event, Coalesces(event->id));
  return data;
}

}  // namespace

void InitEventQueueModule() {
  if (initialised) return;
  InitEventModule();
  EmptyEventSlot() = std::make_shared<TEvent>();
  LastTakenEvent() = EmptyEventSlot();
  InsertHook(EventHookId(), QueueHook, nullptr, EVENT_QUEUE_HOOK_PRIORITY);
  initialised = true;
}

int AwaitEvent() {
  while (QueueEmpty()) BlockForSystemEvents();
  return TakeEvent();
}

int PollForEvent() {
  if (QueueEmpty()) PumpSystemEvents();
  if (QueueEmpty()) {
    LastTakenEvent() = EmptyEventSlot();
    return 0;
  }
  return TakeEvent();
}

EventRef PeekQueuedEvent() {
  if (QueueEmpty()) PumpSystemEvents();
  if (QueueEmpty()) return nullptr;
  const Queue& queue = TheQueue();
  return queue.slots[queue.get % EVENT_QUEUE_SIZE];
}

void QueueEvent(const EventRef& event, bool coalesce) {
  if (!event) return;
  Queue& queue = TheQueue();
  if (coalesce) {
    for (uint32_t n = queue.get; n != queue.put; ++n) {
      TEvent& queued = *queue.slots[n % EVENT_QUEUE_SIZE];
      if (queued.id == event->id && queued.source == event->source) {
        if (&queued == event.get()) return;  // the same object emitted twice
        queued.data = event->data;
        queued.mods = event->mods;
        queued.x = event->x;
        queued.y = event->y;
        queued.extra = event->extra;
        return;
      }
    }
  }
  if (queue.put - queue.get >= EVENT_QUEUE_SIZE) return;  // full: dropped
  queue.slots[queue.put % EVENT_QUEUE_SIZE] = event;
  ++queue.put;
}

int QueuedEventCount() { return static_cast<int>(TheQueue().put - TheQueue().get); }

void ClearEventQueue() {
  Queue& queue = TheQueue();
  while (queue.get != queue.put) queue.slots[queue.get++ % EVENT_QUEUE_SIZE].reset();
}

const EventRef& EmptyEvent() { return EmptyEventSlot(); }

const EventRef& CurrentEvent() { return LastTakenEvent(); }

namespace {
// The current event, or a default one before the module starts, so the
// accessors never dereference null.
const TEvent& Current() {
  static const TEvent blank;
  const EventRef& event = LastTakenEvent();
  return event ? *event : blank;
}
}  // namespace

int CurrentEventId() { return Current().id; }
int CurrentEventData() { return Current().data; }
int CurrentEventMods() { return Current().mods; }
int CurrentEventX() { return Current().x; }
int CurrentEventY() { return Current().y; }
ObjectRef CurrentEventExtra() { return Current().extra; }

String CurrentEventText() {
  const String* text = StringOf(Current().extra);
  return text ? *text : String();
}

ObjectRef CurrentEventSource() { return Current().source; }

int CurrentEventSourceHandle() { return HandleOfObject(Current().source); }

}  // namespace lexidor
