#include "process/process.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>

#include "process/process_module.h"
#include "process/spawn.h"

namespace lexidor {

std::vector<ProcessRef>& RunningProcesses() {
  static auto* processes = new std::vector<ProcessRef>();
  return *processes;
}

ProcessRef TProcess::Create(const String& name, int flags) {
  return Start(name, SplitCommandLine(ToLatin1(name)), flags);
}

ProcessRef TProcess::CreateWithArguments(const std::vector<String>& arguments, int flags) {
  std::vector<std::string> bytes;
  String name;
  for (const String& argument : arguments) {
    bytes.push_back(ToLatin1(argument));
    if (!name.empty()) name += u' ';
    name += argument;
  }
  return Start(name, std::move(bytes), flags);
}

ProcessRef TProcess::Start(const String& name, std::vector<std::string> arguments, int flags) {
  auto process = std::make_shared<TProcess>();
  process->name = name;
  int outRead = 0, inWrite = 0, errRead = 0;
  process->handle = SpawnWithPipes(std::move(arguments), &outRead, &inWrite, &errRead, flags,
                                   &process->execError);
  if (process->handle == 0) return nullptr;
  process->pipe = TPipeStream::Create(outRead, inWrite);
  process->err = TPipeStream::Create(errRead, 0);
  RunningProcesses().push_back(process);
  return process;
}

void TProcess::TerminateAll() {
  // A copy: Terminate takes each one out of the list as it goes.
  std::vector<ProcessRef> processes = RunningProcesses();
  for (const ProcessRef& process : processes) {
    process->Terminate();
    process->Close();
  }
}

int TProcess::Status() {
  if (handle == 0 || ended_) return 0;
  pid_t result;
  do {
    result = waitpid(handle, nullptr, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return 1;
  // Collected now, or already by the reaper (ECHILD).
  ended_ = true;
  return 0;
}

int TProcess::Close() {
  if (pipe) {
    pipe->Close();
    pipe.reset();
  }
  if (err) {
    err->Close();
    err.reset();
  }
  return 0;
}

int TProcess::Terminate() {
  auto& processes = RunningProcesses();
  ProcessRef keep;  // the list's reference may be the last one
  auto it = std::find_if(processes.begin(), processes.end(),
                         [this](const ProcessRef& p) { return p.get() == this; });
  if (it != processes.end()) {
    keep = *it;
    processes.erase(it);
  }
  if (handle == 0) return 0;
  int result = killpg(handle, SIGTERM);
  ForgetProcessGroup(handle);
  handle = 0;
  return result == 0 ? 0 : -1;
}

ProcessRef LaunchProcess(const String& name, int flags) { return TProcess::Create(name, flags); }

int ProcessStatus(const ProcessRef& process) { return process ? process->Status() : 0; }

int TerminateProcess(const ProcessRef& process) { return process ? process->Terminate() : 0; }

}  // namespace lexidor
