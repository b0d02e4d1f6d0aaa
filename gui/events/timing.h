// Clocks, the pause, and the process-wide 1 ms SIGALRM interval timer.
//
// The tick's handler only records the signal number as pending
// (PendingSignal); the system driver reads and clears it.  Because the
// timer runs process-wide, every blocking call in this program retries on
// EINTR; the handler is installed with SA_RESTART.
#pragma once

#include <signal.h>

#include <cstdint>

#include "runtime/string.h"

namespace lexidor {

// Notes the clock base and starts the 1 ms interval timer, whose SIGALRM
// goes to the calling thread (call it on the main thread).  Idempotent.
void InitTimingModule();

// The local date as "%d %b %Y" ("08 Dec 2025") and time as "%H:%M:%S".
String TodayText();
String ClockText();

// Milliseconds since the system booted (accurate to the second at start),
// as a 32-bit count: the calendar time in milliseconds minus a base taken
// at InitTimingModule (calendar time minus uptime).  Before initialisation
// the base is taken on first use.
int32_t MillisecondClock();

// Suspends the calling thread for at least `ms` milliseconds and less than
// ms + 1000; returns at once for a negative count.  The tick does not wake
// it: signals other than SIGALRM only shorten one round of the wait.
void PauseMillis(int ms);

// Holds the 1 ms tick off the calling thread while it lives, for waits that
// block elsewhere (FLTK's own modal loops): the tick would otherwise wake
// them a thousand times a second.  A tick that came meanwhile is delivered,
// once, when the hold ends.
class TickHold {
 public:
  TickHold();
  ~TickHold();
  TickHold(const TickHold&) = delete;
  TickHold& operator=(const TickHold&) = delete;

 private:
  sigset_t previous_;
};

// The number of the last signal recorded by the tick's handler, 0 when none
// is pending; ClearPendingSignal sets it back to 0.  SetPendingSignal lets
// other handlers (and tests) record one.  Async-signal-safe.
int PendingSignal();
void ClearPendingSignal();
void SetPendingSignal(int signal_number);

// True once the interval timer runs.
bool MillisecondTimerRunning();

}  // namespace lexidor
