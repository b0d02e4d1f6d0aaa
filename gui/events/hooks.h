// Numbered chains of prioritised hook functions.
//
// Any module may allocate a hook id (NewHookId), attach functions to it with
// a priority (InsertHook) and run the chain (CallHooks).  Within a chain
// higher priorities run first; among equal priorities the earlier insertion
// runs first.  Each function receives what the previous one returned, so a
// hook may pass the data on, replace it, or swallow it by returning nullptr.
//
// Main thread only; nothing is locked.  A hook may insert or delete hooks
// (its own included) while its chain runs: a deleted link finishes its call,
// and the walk goes on from that link's successor.
#pragma once

#include "runtime/object.h"

namespace lexidor {

// A hook function: the hook id, the data handed down the chain, and the
// context given to InsertHook.  Returns the data for the next function.
using HookFunction = ObjectRef (*)(int id, const ObjectRef& data, const ObjectRef& context);

// Hook ids are 0 .. MAX_HOOK_IDS - 1.
constexpr int MAX_HOOK_IDS = 256;

// Hands out the next hook id, from 0 upwards.  The 257th call raises
// TRuntimeException "Too many hook ids".
int NewHookId();

// Adds `func` with `context` and `priority` to the chain of `hook_id`.
// Raises TRuntimeException "Invalid hook id" for an id outside 0..255 and
// TRuntimeException "Invalid hook function" for a null func.
void InsertHook(int hook_id, HookFunction func, ObjectRef context, int priority);

// Runs the chain of `hook_id` from its head and returns the data after the
// last function (`data` itself for an empty chain).  Raises
// TRuntimeException "Invalid hook id" for an id outside 0..255.
ObjectRef CallHooks(int hook_id, ObjectRef data);

// Unlinks the first link of the chain whose function is `func` and whose
// context is the same object as `context` (identity; nullptr matches
// nullptr).  Does nothing when there is none or the id is out of range.
void DeleteHook(int hook_id, HookFunction func, const ObjectRef& context);

}  // namespace lexidor
