// What the idle-CPU tools share: the process's CPU time so far, and the
// main-thread callback that ends a wait in AwaitEvent.
#pragma once

#include <sys/resource.h>

#include "gui/events/event.h"

namespace lexidor {
namespace tools {

// User plus system CPU seconds of the whole process.
inline double CpuSeconds() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Posted from a helper thread: emits the event that ends the wait.
inline void FinishWaiting(const ObjectRef&, int) { DispatchEvent(MakeEvent(EVENT_APPTERMINATE)); }

}  // namespace tools
}  // namespace lexidor
