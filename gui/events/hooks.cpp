#include "gui/events/hooks.h"

#include <array>

#include "runtime/exceptions.h"

namespace lexidor {
namespace {

// One link of a chain.  Links are shared so that a running CallHooks keeps
// the link it is calling (and so its successor) alive even when the hook
// deletes itself.
struct THook {
  std::shared_ptr<THook> succ;
  int priority = 0;
  HookFunction func = nullptr;
  ObjectRef context;
};

std::array<std::shared_ptr<THook>, MAX_HOOK_IDS>& HookTable() {
  static std::array<std::shared_ptr<THook>, MAX_HOOK_IDS> table;
  return table;
}

int next_hook_id = 0;

void CheckHookId(int hook_id) {
  if (hook_id < 0 || hook_id >= MAX_HOOK_IDS) throw TRuntimeException(u"Invalid hook id");
}

}  // namespace

int NewHookId() {
  if (next_hook_id >= MAX_HOOK_IDS) throw TRuntimeException(u"Too many hook ids");
  return next_hook_id++;
}

void InsertHook(int hook_id, HookFunction func, ObjectRef context, int priority) {
  CheckHookId(hook_id);
  if (!func) throw TRuntimeException(u"Invalid hook function");
  auto hook = std::make_shared<THook>();
  hook->priority = priority;
  hook->func = func;
  hook->context = std::move(context);

  std::shared_ptr<THook>& head = HookTable()[hook_id];
  // The last link whose priority is at least the new one: the new link goes
  // right after it, so equal priorities keep their insertion order.
  THook* after = nullptr;
  for (THook* link = head.get(); link && link->priority >= priority; link = link->succ.get()) {
    after = link;
  }
  if (!after) {
    hook->succ = head;
    head = hook;
  } else {
    hook->succ = after->succ;
    after->succ = hook;
  }
}

ObjectRef CallHooks(int hook_id, ObjectRef data) {
  CheckHookId(hook_id);
  std::shared_ptr<THook> link = HookTable()[hook_id];
  while (link) {
    data = link->func(hook_id, data, link->context);
    link = link->succ;
  }
  return data;
}

void DeleteHook(int hook_id, HookFunction func, const ObjectRef& context) {
  if (hook_id < 0 || hook_id >= MAX_HOOK_IDS) return;
  std::shared_ptr<THook>* place = &HookTable()[hook_id];
  while (*place) {
    THook& link = **place;
    if (link.func == func && link.context == context) {
      // The unlinked link keeps its succ, so a CallHooks standing on it
      // still walks on to the rest of the chain.
      *place = link.succ;
      return;
    }
    place = &link.succ;
  }
}

}  // namespace lexidor
