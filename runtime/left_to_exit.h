// Memory a run that ends right after its work leaves to the exit: freed
// object by object, a large index took milliseconds at the very end of a
// batch build, where the exit gives the whole address space back at once.
#pragma once

#include <memory>

namespace lexidor {

// Set by a run that ends as soon as its work is done (a batch build), before
// that work starts; a run that goes on afterwards (the window) leaves it
// unset, and then nothing is left.
void SetEndsAfterWork(bool ends);
bool EndsAfterWork();

// Keeps `object` until the process ends, never destroyed (still reachable,
// so that a leak checker does not count it), when the run ends after its
// work; else destroys it now.
void LeaveToExit(std::shared_ptr<void> object);
template <typename T>
void LeaveToExit(std::unique_ptr<T> object) {
  if (object && EndsAfterWork()) LeaveToExit(std::shared_ptr<void>(std::move(object)));
}

}  // namespace lexidor
