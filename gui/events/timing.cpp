#include "gui/events/timing.h"

#include <errno.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

// glibc names the target thread of SIGEV_THREAD_ID only in its union.
#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid
#endif

namespace lexidor {
namespace {

volatile sig_atomic_t pending_signal = 0;
bool timer_running = false;
bool clock_based = false;
int64_t clock_base_ms = 0;

void RecordSignal(int signal_number) { pending_signal = signal_number; }

int64_t CalendarMillis() {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return int64_t{now.tv_sec} * 1000 + now.tv_usec / 1000;
}

void TakeClockBase() {
  struct sysinfo info;
  long uptime = sysinfo(&info) == 0 ? info.uptime : 0;
  clock_base_ms = CalendarMillis() - int64_t{uptime} * 1000;
  clock_based = true;
}

int64_t MonotonicNanos() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

String FormatNow(const char* format) {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char buffer[256];
  size_t length = strftime(buffer, sizeof buffer, format, &local);
  return FromLatin1(std::string_view(buffer, length));
}

}  // namespace

void InitTimingModule() {
  if (timer_running) return;
  TakeClockBase();

  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RecordSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGALRM, &action, nullptr);

  // The tick goes to the thread that starts the timer (the main thread),
  // not to whichever thread the kernel picks: while the main thread holds
  // the tick back in a wait, a helper thread must not be woken by it
  // instead.  Where thread-directed timers are not available, a plain
  // process-wide interval timer does the same job for a single thread.
  struct sigevent target;
  std::memset(&target, 0, sizeof target);
  target.sigev_notify = SIGEV_THREAD_ID;
  target.sigev_signo = SIGALRM;
  target.sigev_notify_thread_id = static_cast<pid_t>(syscall(SYS_gettid));
  timer_t timer;
  struct itimerspec every_ms;
  every_ms.it_interval.tv_sec = 0;
  every_ms.it_interval.tv_nsec = 1000000;
  every_ms.it_value = every_ms.it_interval;
  if (timer_create(CLOCK_MONOTONIC, &target, &timer) != 0 ||
      timer_settime(timer, 0, &every_ms, nullptr) != 0) {
    struct itimerval interval;
    interval.it_interval.tv_sec = 0;
    interval.it_interval.tv_usec = 1000;
    interval.it_value = interval.it_interval;
    setitimer(ITIMER_REAL, &interval, nullptr);
  }
  timer_running = true;
}

bool MillisecondTimerRunning() { return timer_running; }

String TodayText() { return FormatNow("%d %b %Y"); }
String ClockText() { return FormatNow("%H:%M:%S"); }

int32_t MillisecondClock() {
  if (!clock_based) TakeClockBase();
  return static_cast<int32_t>(static_cast<uint32_t>(CalendarMillis() - clock_base_ms));
}

void PauseMillis(int ms) {
  if (ms < 0) return;
  // Measured on the monotonic clock so that a change of the calendar time
  // cannot stretch or cut the pause.  The tick is held back while sleeping:
  // it would only wake this thread a thousand times a second for nothing.
  // It stays pending and is recorded as soon as the mask is restored.
  TickHold hold;
  const int64_t end = MonotonicNanos() + int64_t{ms} * 1000000;
  for (;;) {
    int64_t left = end - MonotonicNanos();
    if (left <= 0) break;
    struct timespec span;
    span.tv_sec = left / 1000000000;
    span.tv_nsec = left % 1000000000;
    // Interrupted by another signal (SIGCHLD): sleep the rest.
    nanosleep(&span, nullptr);
  }
}

TickHold::TickHold() {
  sigset_t tick;
  sigemptyset(&tick);
  sigaddset(&tick, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &tick, &previous_);
}

TickHold::~TickHold() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int PendingSignal() { return pending_signal; }
void ClearPendingSignal() { pending_signal = 0; }
void SetPendingSignal(int signal_number) { pending_signal = signal_number; }

}  // namespace lexidor
