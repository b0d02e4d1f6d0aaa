// The process's hot-key list: key and modifier combinations bound to an
// event that the FLTK driver emits when the combination is pressed and no
// widget used it.
//
// A singly linked list with new entries at the head.  Entries stay until
// unbound.  Main thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/events/event.h"

namespace lexidor {

class THotKey;
using HotKeyRef = std::shared_ptr<THotKey>;

class THotKey : public TObject {
 public:
  HotKeyRef succ;  // the next entry, nullptr at the end
  int key = 0;     // virtual key code
  int mods = 0;    // modifier mask (1 Shift, 2 Control, 4 Alt, 8 Meta)
  EventRef event;  // what is emitted
  // The widget (as TFLWidget::WidgetId gives it, or QueryGadget(gadget, 5))
  // the binding is limited to while it has the keyboard focus; 0 for any.
  intptr_t owner = 0;
};

// Binds `key` + `mods` for `owner` to `event`.  A null event becomes a new
// "HotkeyHit" event (no source, data = key, mods = mods).  An existing entry
// with the same key, mods and owner gets the new event; otherwise a new
// entry goes to the head of the list.  Returns the entry.
HotKeyRef BindHotKey(int key, int mods, EventRef event, intptr_t owner);

// Takes `hotkey` (by identity) out of the list; nothing when it is not in
// it or null.
void UnbindHotKey(const HotKeyRef& hotkey);

// The event of the first entry from the head whose key and mods are equal
// to the arguments and whose owner is 0 or `owner`; nullptr when none.
EventRef FindHotKey(int key, int mods, intptr_t owner);

// The head of the list (nullptr when empty).
const HotKeyRef& HotKeyList();

}  // namespace lexidor
