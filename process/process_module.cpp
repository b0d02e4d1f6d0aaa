#include "process/process_module.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "process/process.h"
#include "runtime/exit_handlers.h"

namespace lexidor {

namespace {

// 0 marks a free slot.  Each slot is written in one go, so a handler sees
// either the old or the new group, never a mix.
volatile sig_atomic_t process_groups[PROCESS_GROUP_SLOTS];

void ReapChildren(int) {
  int saved = errno;
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  errno = saved;
}

}  // namespace

void InstallChildReaper() {
  static bool done = false;
  if (done) return;
  done = true;
  struct sigaction action = {};
  action.sa_handler = ReapChildren;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
  // Children that ended before the reaper was there.
  ReapChildren(SIGCHLD);
}

void InitProcessModule() {
  static bool done = false;
  if (done) return;
  done = true;
  InstallChildReaper();
  AddExitHandler([] { TProcess::TerminateAll(); });
}

bool RecordProcessGroup(pid_t pgid) {
  if (pgid <= 0) return false;
  for (int i = 0; i < PROCESS_GROUP_SLOTS; ++i) {
    if (process_groups[i] == 0) {
      process_groups[i] = static_cast<sig_atomic_t>(pgid);
      return true;
    }
  }
  return false;
}

void ForgetProcessGroup(pid_t pgid) {
  if (pgid <= 0) return;
  for (int i = 0; i < PROCESS_GROUP_SLOTS; ++i) {
    if (process_groups[i] == pgid) process_groups[i] = 0;
  }
}

int SignalRunningProcessGroups(int signal_number) {
  int saved = errno;
  int count = 0;
  for (int i = 0; i < PROCESS_GROUP_SLOTS; ++i) {
    pid_t pgid = static_cast<pid_t>(process_groups[i]);
    if (pgid > 0 && killpg(pgid, signal_number) == 0) ++count;
  }
  errno = saved;
  return count;
}

int RecordedProcessGroupCount() {
  int count = 0;
  for (int i = 0; i < PROCESS_GROUP_SLOTS; ++i) {
    if (process_groups[i] != 0) ++count;
  }
  return count;
}

}  // namespace lexidor
