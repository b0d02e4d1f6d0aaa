#include "gui/events/event.h"

#include "gui/events/hooks.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

int event_hook_id = -1;
// User ids count up from 0x80000000; kept unsigned so that the wrap into
// negative 32-bit values is well defined.
uint32_t last_user_id = 0x80000000u;

struct IdName {
  int32_t id;
  const char16_t* name;
};

constexpr IdName kEventNames[] = {
    {EVENT_APPSUSPEND, u"AppSuspend"},
    {EVENT_APPRESUME, u"AppResume"},
    {EVENT_APPTERMINATE, u"AppTerminate"},
    {EVENT_APPOPENFILE, u"AppOpenFile"},
    {EVENT_APPIDLE, u"AppIdle"},
    {EVENT_KEYDOWN, u"KeyDown"},
    {EVENT_KEYUP, u"KeyUp"},
    {EVENT_KEYCHAR, u"KeyChar"},
    {EVENT_KEYREPEAT, u"KeyRepeat"},
    {EVENT_MOUSEDOWN, u"MouseDown"},
    {EVENT_MOUSEUP, u"MouseUp"},
    {EVENT_MOUSEMOVE, u"MouseMove"},
    {EVENT_MOUSEWHEEL, u"MouseWheel"},
    {EVENT_MOUSEENTER, u"MouseEnter"},
    {EVENT_MOUSELEAVE, u"MouseLeave"},
    {EVENT_TIMERTICK, u"TimerTick"},
    {EVENT_HOTKEYHIT, u"HotkeyHit"},
    {EVENT_GADGETACTION, u"GadgetAction"},
    {EVENT_GADGETPAINT, u"GadgetPaint"},
    {EVENT_GADGETSELECT, u"GadgetSelect"},
    {EVENT_GADGETMENU, u"GadgetMenu"},
    {EVENT_GADGETOPEN, u"GadgetOpen"},
    {EVENT_GADGETCLOSE, u"GadgetClose"},
    {EVENT_GADGETDONE, u"GadgetDone"},
    {EVENT_GADGETLOSTFOCUS, u"GadgetLostFocus"},
    {EVENT_GADGETSHAPE, u"GadgetShape"},
    {EVENT_WINDOWMOVE, u"WindowMove"},
    {EVENT_WINDOWSIZE, u"WindowSize"},
    {EVENT_WINDOWCLOSE, u"WindowClose"},
    {EVENT_WINDOWACTIVATE, u"WindowActivate"},
    {EVENT_WINDOWACCEPT, u"WindowAccept"},
    {EVENT_MENUACTION, u"MenuAction"},
    {EVENT_STREAMEOF, u"StreamEof"},
    {EVENT_STREAMAVAIL, u"StreamAvail"},
    {EVENT_PROCESSEXIT, u"ProcessExit"},
};

}  // namespace

String EventName(int32_t id) {
  for (const IdName& entry : kEventNames) {
    if (entry.id == id) return entry.name;
  }
  if (id < 0) {
    return u"UserEvent" + IntToString(static_cast<int64_t>(id) + int64_t{0x80000000});
  }
  return u"Unknown Event, id=" + IntToString(id);
}

int TEvent::Emit() {
  if (event_hook_id < 0) throw TRuntimeException(u"The event module is not initialised");
  CallHooks(event_hook_id, shared_from_this());
  return 0;
}

EventRef TEvent::Create(int32_t id, ObjectRef source, int32_t data, int32_t mods, int32_t x,
                        int32_t y, ObjectRef extra) {
  auto event = std::make_shared<TEvent>();
  event->id = id;
  event->source = std::move(source);
  event->data = data;
  event->mods = mods;
  event->x = x;
  event->y = y;
  event->extra = std::move(extra);
  return event;
}

int32_t TEvent::AllocUserId() {
  ++last_user_id;
  return static_cast<int32_t>(last_user_id);
}

String TEvent::ToString() const {
  const String* text = StringOf(extra);
  return EventName(id) + u": data=" + IntToString(data) + u", mods=" + IntToString(mods) + u", x=" +
         IntToString(x) + u", y=" + IntToString(y) + u", extra=\"" + (text ? *text : String()) +
         u"\"";
}

EventRef MakeEvent(int32_t id, ObjectRef source, int32_t data, int32_t mods, int32_t x, int32_t y,
                   ObjectRef extra) {
  return TEvent::Create(id, std::move(source), data, mods, x, y, std::move(extra));
}

int DispatchEvent(const EventRef& event) { return event ? event->Emit() : 0; }

int32_t NewUserEventId() { return TEvent::AllocUserId(); }

int EventHookId() { return event_hook_id; }

void InitEventModule() {
  if (event_hook_id >= 0) return;
  event_hook_id = NewHookId();
}

}  // namespace lexidor
