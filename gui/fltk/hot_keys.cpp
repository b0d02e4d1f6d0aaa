#include "gui/fltk/hot_keys.h"

namespace lexidor {

namespace {

HotKeyRef& Head() {
  static HotKeyRef head;
  return head;
}

}  // namespace

const HotKeyRef& HotKeyList() { return Head(); }

HotKeyRef BindHotKey(int key, int mods, EventRef event, intptr_t owner) {
  if (!event) event = MakeEvent(EVENT_HOTKEYHIT, nullptr, key, mods);
  HotKeyRef entry;
  for (HotKeyRef h = Head(); h; h = h->succ) {
    if (h->key == key && h->mods == mods && h->owner == owner) {
      entry = h;
      break;
    }
  }
  if (!entry) {
    entry = std::make_shared<THotKey>();
    entry->key = key;
    entry->mods = mods;
    entry->owner = owner;
    entry->succ = Head();
    Head() = entry;
  }
  entry->event = std::move(event);
  return entry;
}

void UnbindHotKey(const HotKeyRef& hotkey) {
  // A copy: the argument may be a reference to a link of the list itself
  // (the head, for one), which the unlinking overwrites.
  HotKeyRef target = hotkey;
  if (!target) return;
  HotKeyRef* link = &Head();
  while (*link) {
    if (*link == target) {
      *link = target->succ;
      target->succ = nullptr;
      return;
    }
    link = &(*link)->succ;
  }
}

EventRef FindHotKey(int key, int mods, intptr_t owner) {
  for (HotKeyRef h = Head(); h; h = h->succ) {
    if (h->key == key && h->mods == mods && (h->owner == 0 || h->owner == owner)) return h->event;
  }
  return nullptr;
}

}  // namespace lexidor
