// A started child process with pipes on its standard streams, and the list
// of the children that are running.
//
// Main thread only.  Exit statuses are not kept: the SIGCHLD reaper
// (process_module.h) collects ended children and discards them.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "process/pipe_stream.h"
#include "runtime/object.h"

namespace lexidor {

class TProcess;
using ProcessRef = std::shared_ptr<TProcess>;

class TProcess : public TObject {
 public:
  // Starts `name`, a command line (see SplitCommandLine), with pipes on the
  // child's standard streams; each character goes to the system as one byte,
  // its low 8 bits.  The process is appended to RunningProcesses, which keeps
  // it alive until it is terminated.  nullptr when the command line is empty
  // or a pipe or the process cannot be made; nothing is reported.  A program
  // that cannot be executed still gives a process: its child ends at once.
  // `flags` is ignored.
  static ProcessRef Create(const String& name, int flags);
  // The same for a program started with `arguments` as its argument vector,
  // taken as they stand (arguments[0] is the program's path); `name` is
  // the arguments joined by blanks.
  static ProcessRef CreateWithArguments(const std::vector<String>& arguments, int flags);

  // Terminate, then Close, for every process in RunningProcesses, in list
  // order.  Registered as an exit handler by InitProcessModule.
  static void TerminateAll();

  // 1 while the child runs, 0 once it has ended (collected here or by the
  // reaper) and when `handle` is 0.
  int Status();
  // Closes and drops `pipe` and `err`.  Neither stops the child nor takes it
  // out of RunningProcesses.  Returns 0; a second call finds nothing to do.
  int Close();
  // Takes the process out of RunningProcesses; if `handle` is not 0, sends
  // SIGTERM to the child's process group, sets `handle` to 0 and returns
  // killpg's result (0, or -1 when the group is gone).  Otherwise 0.  The
  // pipes stay open.
  int Terminate();

  String ToString() const override { return name; }

  // The command line it was started with.
  String name;
  // The child's process id, which is also its process group id; 0 once
  // terminated.
  pid_t handle = 0;
  // Reads the child's standard output, writes its standard input.
  PipeStreamRef pipe;
  // Reads the child's standard error; no write side.
  PipeStreamRef err;
  // Why the program could not be executed (an errno value, as execv gave
  // it); 0 when it runs.  Its child has then ended already.
  int execError = 0;

 private:
  static ProcessRef Start(const String& name, std::vector<std::string> arguments, int flags);
  // Set once Status has seen the child end, so that a later child that is
  // given the same process id is never taken for this one.
  bool ended_ = false;
};

// The processes started and not yet terminated, oldest first.  Made on first
// use and never destroyed.
std::vector<ProcessRef>& RunningProcesses();

// The global forms.  ProcessStatus and TerminateProcess give 0 for nullptr.
ProcessRef LaunchProcess(const String& name, int flags);
int ProcessStatus(const ProcessRef& process);
int TerminateProcess(const ProcessRef& process);

}  // namespace lexidor
