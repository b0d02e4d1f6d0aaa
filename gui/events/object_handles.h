// A process-wide table that gives each distinct object a stable nonzero
// integer handle, for code that must refer to objects by number (the
// current event's source handle).
//
// The table holds weak references: it never keeps an object alive.  An
// object keeps its handle for as long as it lives; a handle is never reused,
// even after its object is gone.  Main thread only.
#pragma once

#include "runtime/object.h"

namespace lexidor {

// The handle of `object`, handing out a new one on first sight; 0 for
// nullptr.
int HandleOfObject(const ObjectRef& object);

// The live object that holds `handle`; nullptr for 0, for an unknown handle
// and for an object that no longer exists.
ObjectRef ObjectOfHandle(int handle);

}  // namespace lexidor
