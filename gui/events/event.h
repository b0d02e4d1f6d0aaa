// gui/events: what happens to the interface and how it is delivered to the program.
//
// The event record: one kind of record for everything that happens to the
// user interface (a button pressed, a window closed, a key typed), with its
// table of ids and names.
//
// An event is made with MakeEvent / TEvent::Create and then emitted: emitting
// runs the emit-event hook chain (hooks.h), whose last member, installed by
// the event queue (event_queue.h), appends it to the queue.  Events are
// shared objects (EventRef); the queue stores the emitted object itself, not
// a copy.  Everything here runs on the main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/object.h"

namespace lexidor {

// Event ids.  The high bits group them into families: application 0x100,
// key 0x200, mouse 0x400, timer 0x800, hot key 0x1000, gadget 0x2000,
// window 0x4000, menu 0x8000, stream 0x10000, process 0x20000.  Id 0 means
// "no event".  User ids (NewUserEventId) are negative.
constexpr int32_t EVENT_NONE = 0;
constexpr int32_t EVENT_APPSUSPEND = 0x101;
constexpr int32_t EVENT_APPRESUME = 0x102;
constexpr int32_t EVENT_APPTERMINATE = 0x103;
constexpr int32_t EVENT_APPOPENFILE = 0x104;
constexpr int32_t EVENT_APPIDLE = 0x105;
constexpr int32_t EVENT_KEYDOWN = 0x201;
constexpr int32_t EVENT_KEYUP = 0x202;
constexpr int32_t EVENT_KEYCHAR = 0x203;
constexpr int32_t EVENT_KEYREPEAT = 0x204;
constexpr int32_t EVENT_MOUSEDOWN = 0x401;
constexpr int32_t EVENT_MOUSEUP = 0x402;
constexpr int32_t EVENT_MOUSEMOVE = 0x403;
constexpr int32_t EVENT_MOUSEWHEEL = 0x404;
constexpr int32_t EVENT_MOUSEENTER = 0x405;
constexpr int32_t EVENT_MOUSELEAVE = 0x406;
constexpr int32_t EVENT_TIMERTICK = 0x801;
constexpr int32_t EVENT_HOTKEYHIT = 0x1001;
constexpr int32_t EVENT_GADGETACTION = 0x2001;
constexpr int32_t EVENT_GADGETPAINT = 0x2002;
constexpr int32_t EVENT_GADGETSELECT = 0x2003;
constexpr int32_t EVENT_GADGETMENU = 0x2004;
constexpr int32_t EVENT_GADGETOPEN = 0x2005;
constexpr int32_t EVENT_GADGETCLOSE = 0x2006;
constexpr int32_t EVENT_GADGETDONE = 0x2007;
constexpr int32_t EVENT_GADGETLOSTFOCUS = 0x2008;
constexpr int32_t EVENT_GADGETSHAPE = 0x2009;
constexpr int32_t EVENT_WINDOWMOVE = 0x4001;
constexpr int32_t EVENT_WINDOWSIZE = 0x4002;
constexpr int32_t EVENT_WINDOWCLOSE = 0x4003;
constexpr int32_t EVENT_WINDOWACTIVATE = 0x4004;
constexpr int32_t EVENT_WINDOWACCEPT = 0x4005;
constexpr int32_t EVENT_MENUACTION = 0x8001;
constexpr int32_t EVENT_STREAMEOF = 0x10001;
constexpr int32_t EVENT_STREAMAVAIL = 0x10002;
constexpr int32_t EVENT_PROCESSEXIT = 0x20001;

class TEvent;
// The null EventRef means "no event".
using EventRef = std::shared_ptr<TEvent>;

class TEvent : public TObject, public std::enable_shared_from_this<TEvent> {
 public:
  int32_t id = 0;
  ObjectRef source;  // the object the event concerns (as a rule a gadget); may be null
  int32_t data = 0;  // event-specific: key code, button, wheel step, character...
  int32_t mods = 0;  // modifier-key state
  int32_t x = 0;
  int32_t y = 0;
  ObjectRef extra;  // event-specific object, for instance a boxed string; may be null

  // Runs the emit-event hook chain with this event as data; the chain's
  // result is dropped and 0 returned.  The event must be held by an EventRef
  // (made by Create / MakeEvent or std::make_shared).  Raises
  // TRuntimeException when the event module has not been initialised.
  int Emit();

  static EventRef Create(int32_t id, ObjectRef source = nullptr, int32_t data = 0, int32_t mods = 0,
                         int32_t x = 0, int32_t y = 0, ObjectRef extra = nullptr);

  // The next user event id: 0x80000001 first, then one more on each call.
  static int32_t AllocUserId();

  // One line: "<name>: data=<data>, mods=<mods>, x=<x>, y=<y>, extra="<text>""
  // where <text> is `extra` when it is a boxed string and empty otherwise.
  String ToString() const override;
};

// The name of an event id as ToString prints it: the table name ("KeyDown"),
// "UserEvent<n>" for a negative id not in the table (n = id - 0x80000000),
// "Unknown Event, id=<id>" for any other id.
String EventName(int32_t id);

// Same as TEvent::Create.
EventRef MakeEvent(int32_t id, ObjectRef source = nullptr, int32_t data = 0, int32_t mods = 0,
                   int32_t x = 0, int32_t y = 0, ObjectRef extra = nullptr);

// event->Emit(); a null event is ignored.  Returns Emit's result (0).
int DispatchEvent(const EventRef& event);

// Same as TEvent::AllocUserId.
int32_t NewUserEventId();

// The hook id of the emit-event chain; -1 before InitEventModule.
int EventHookId();

// Allocates the emit-event hook id.  Idempotent.
void InitEventModule();

}  // namespace lexidor
