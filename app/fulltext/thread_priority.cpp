#include "app/fulltext/thread_priority.h"

#include <errno.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lexidor::fulltext {

namespace {

// The calling thread's own id: Linux schedules threads one by one.
pid_t ThisThread() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace

// Both only ask: where the system refuses, the thread runs as before, as
// fast, only scheduled less well.
void YieldWhenWoken() {
  const sched_param param{};
  sched_setscheduler(ThisThread(), SCHED_BATCH, &param);
}

void LowerPriority(int steps) {
  const id_t thread = static_cast<id_t>(ThisThread());
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, thread);
  if (errno == 0) setpriority(PRIO_PROCESS, thread, now + steps);
}

}  // namespace lexidor::fulltext
