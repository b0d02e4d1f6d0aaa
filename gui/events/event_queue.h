// The event queue and the current event.
//
// A ring of EVENT_QUEUE_SIZE (256) slots fed by the queue's own hook at the
// bottom (priority -10000) of the emit-event chain.  The application takes
// events out one at a time; the taken event becomes the current event, read
// through the CurrentEvent... accessors.  "TimerTick", "GadgetAction",
// "WindowMove" and "WindowSize" coalesce: a second such event with the same
// id and the same source object (identity) updates the queued one in place
// instead of being queued.  A full queue drops new events silently.
//
// Main thread only.  Waiting goes through the active system driver
// (PumpSystemEvents / BlockForSystemEvents in system_driver.h).
#pragma once

#include <cstdint>

#include "gui/events/event.h"

namespace lexidor {

constexpr int EVENT_QUEUE_SIZE = 256;
// Priority of the queue's hook in the emit-event chain: below every hook
// that watches or swallows events.
constexpr int EVENT_QUEUE_HOOK_PRIORITY = -10000;

// Makes the ring and EmptyEvent and inserts the queue's hook into the
// emit-event chain (initialising the event module first if need be).
// Idempotent.
void InitEventQueueModule();

// Takes the oldest queued event, blocking in BlockForSystemEvents while the
// queue is empty; it becomes the current event.  Returns its id.
int AwaitEvent();

// Like AwaitEvent, but never blocks: with an empty queue it pumps the system
// driver once; if still nothing is queued the current event becomes
// EmptyEvent() and 0 is returned.
int PollForEvent();

// The oldest queued event without taking it (pumping the system driver once
// when the queue is empty); nullptr when nothing is queued.  The current
// event is unchanged.
EventRef PeekQueuedEvent();

// The queue's insertion routine (what its hook calls).  With `coalesce`, the
// oldest queued event of the same id and the same source object takes the
// new event's data, mods, x, y and extra and nothing is added.  Otherwise,
// or when there is no such twin, the event object itself is appended unless
// the queue is full, in which case it is dropped.  A null event is ignored.
void QueueEvent(const EventRef& event, bool coalesce);

// How many events are queued now.
int QueuedEventCount();
// Drops every queued event (the current event is kept).
void ClearEventQueue();

// The event with id 0, null source and extra and zero fields; the current
// event before anything was taken and after an empty poll.  Never null once
// the queue module is initialised.
const EventRef& EmptyEvent();

// The current event: the one last taken from the queue, or EmptyEvent().
const EventRef& CurrentEvent();
int CurrentEventId();
int CurrentEventData();
int CurrentEventMods();
int CurrentEventX();
int CurrentEventY();
ObjectRef CurrentEventExtra();
// `extra` when it is a boxed string, else the empty string.
String CurrentEventText();
ObjectRef CurrentEventSource();
// The object-handle table's handle of the source (object_handles.h); 0 when
// there is no source.
int CurrentEventSourceHandle();

}  // namespace lexidor
