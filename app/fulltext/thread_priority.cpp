#include "app/fulltext/thread_priority.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lexidor::fulltext {

namespace {

// The calling thread's own id: Linux schedules threads one by one.
pid_t ThisThread() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace

// Only asks: where the system refuses, the thread runs as before, as
// fast, only scheduled less well.
void YieldWhenWoken() {
  const sched_param param{};
  sched_setscheduler(ThisThread(), SCHED_BATCH, &param);
}

}  // namespace lexidor::fulltext
