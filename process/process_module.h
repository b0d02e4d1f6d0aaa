// Process-wide set-up of the child-process layer: the SIGCHLD reaper, the
// exit handler that terminates every running child, and the table of the
// children's process groups that a fatal-signal handler can reach.
#pragma once

#include <sys/types.h>

namespace lexidor {

// Installs the child reaper for SIGCHLD and registers TProcess::TerminateAll
// with AddExitHandler.  Idempotent.
void InitProcessModule();

// The reaper alone (InitProcessModule calls it).  On SIGCHLD it collects
// every ended child without waiting and discards the statuses; it keeps
// errno and is installed with SA_RESTART | SA_NOCLDSTOP.  Idempotent.
void InstallChildReaper();

// How many process groups the signal-reachable table holds.  Groups started
// while it is full are not recorded (they are still terminated at a normal
// exit through RunningProcesses).
constexpr int PROCESS_GROUP_SLOTS = 64;

// Records / forgets the process group `pgid` (> 0) in the table; main thread
// only.  A slot changes in one sig_atomic_t write, so a handler running
// SignalRunningProcessGroups meanwhile sees either the old or the new entry.
// RecordProcessGroup returns false when the table is full.
bool RecordProcessGroup(pid_t pgid);
void ForgetProcessGroup(pid_t pgid);

// Sends `signal_number` to every recorded process group.  Async-signal-safe
// and errno-preserving: meant for a fatal-signal handler, so that no child
// outlives the program.  Returns how many groups were signalled.
int SignalRunningProcessGroups(int signal_number);

// How many groups are recorded now (for tests).
int RecordedProcessGroupCount();

}  // namespace lexidor
