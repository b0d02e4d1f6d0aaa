#include "process/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "process/process_module.h"

namespace lexidor {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> tokens;
  const size_t length = commandLine.size();
  size_t i = 0;
  while (i < length) {
    if (commandLine[i] == ' ') {
      ++i;
      continue;
    }
    if (commandLine[i] == '"') {
      size_t close = commandLine.find('"', i + 1);
      if (close == std::string::npos) close = length;
      tokens.push_back(commandLine.substr(i + 1, close - i - 1));
      // Past the closing quote: whatever follows starts afresh.
      i = close < length ? close + 1 : length;
      continue;
    }
    size_t end = commandLine.find(' ', i);
    if (end == std::string::npos) end = length;
    tokens.push_back(commandLine.substr(i, end - i));
    i = end;
  }
  return tokens;
}

std::vector<char*> ArgumentVector(std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

namespace {

void CloseQuietly(int fd) {
  if (fd >= 0) close(fd);
}

// A pipe whose two descriptors are close-on-exec and above the standard
// streams: a pipe end that landed on 0, 1 or 2 (because the program was
// started with one of them closed) would be mistaken for "no descriptor" by
// the pipe streams and would be clobbered by the child's dup2 calls.
bool MakePipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  for (int k = 0; k < 2; ++k) {
    if (fds[k] > 2) continue;
    int moved = fcntl(fds[k], F_DUPFD_CLOEXEC, 3);
    if (moved < 0) {
      CloseQuietly(fds[0]);
      CloseQuietly(fds[1]);
      return false;
    }
    close(fds[k]);
    fds[k] = moved;
  }
  return true;
}

// Closes every descriptor from 3 up except `keep` (> 2).  Only
// async-signal-safe calls: it runs in the child between fork and exec.
void CloseFromThreeExcept(int keep, int open_max) {
  unsigned k = static_cast<unsigned>(keep);
  if ((k == 3 || close_range(3, k - 1, 0) == 0) && close_range(k + 1, ~0U, 0) == 0) return;
  for (int fd = 3; fd < open_max; ++fd) {
    if (fd != keep) close(fd);
  }
}

int OpenDescriptorLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > 65536) {
    return 65536;
  }
  return static_cast<int>(limit.rlim_cur);
}

// Tells the parent over `started` why the program could not be run, and
// ends the child.
[[noreturn]] void FailChild(int started, int error) {
  ssize_t ignored = write(started, &error, sizeof error);
  (void)ignored;
  _exit(255);
}

// The child's side of SpawnWithPipes, between fork and exec.  All signals
// are blocked on entry; `old_mask` is the parent's mask to start the program
// with.  `started` is the write end of a close-on-exec pipe that the parent
// waits on: it closes when the program runs, and carries the errno first
// when the program cannot be run.  `parent` is the parent's process id.
[[noreturn]] void RunChild(int out[2], int in[2], int err[2], int started, char* const* argv,
                           const sigset_t* old_mask, int open_max, pid_t parent) {
  // The parent's handlers must not run here, and a signal it ignores (SIGPIPE)
  // must not stay ignored in the program.
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int s = 1; s < NSIG; ++s) {
    if (s != SIGKILL && s != SIGSTOP) sigaction(s, &standard, nullptr);
  }
  setsid();
  // The program ends with the parent: killed, the parent cannot end it, and
  // a builder left running would go on changing the files of a build that
  // no longer runs.  SIGTERM, as when the parent ends it, lets the program
  // clean up.  (A parent that ended before this took effect is seen here.)
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) FailChild(started, errno);
  if (getppid() != parent) _exit(255);
  if (dup2(in[0], STDIN_FILENO) < 0 || dup2(out[1], STDOUT_FILENO) < 0 ||
      dup2(err[1], STDERR_FILENO) < 0) {
    FailChild(started, errno);
  }
  CloseFromThreeExcept(started, open_max);
  sigprocmask(SIG_SETMASK, old_mask, nullptr);
  execv(argv[0], argv);
  FailChild(started, errno);
}

}  // namespace

pid_t SpawnWithPipes(const std::string& commandLine, int* outRead, int* inWrite, int* errRead,
                     int flags, int* execError) {
  return SpawnWithPipes(SplitCommandLine(commandLine), outRead, inWrite, errRead, flags, execError);
}

pid_t SpawnWithPipes(std::vector<std::string> arguments, int* outRead, int* inWrite, int* errRead,
                     int flags, int* execError) {
  (void)flags;
  if (execError) *execError = 0;
  if (arguments.empty()) return 0;
  std::vector<char*> argv = ArgumentVector(arguments);
  const int open_max = OpenDescriptorLimit();

  int out[2] = {-1, -1}, in[2] = {-1, -1}, err[2] = {-1, -1}, started[2] = {-1, -1};
  auto close_all = [&] {
    for (int fd : {out[0], out[1], in[0], in[1], err[0], err[1], started[0], started[1]}) {
      CloseQuietly(fd);
    }
  };
  if (!MakePipe(out) || !MakePipe(in) || !MakePipe(err) || !MakePipe(started)) {
    int saved = errno;
    close_all();
    errno = saved;
    return 0;
  }

  // With every signal blocked from before the fork until the child's group
  // is recorded, a SIGTERM to the program cannot fall between the two and
  // leave the new child unsignalled.
  sigset_t all, old_mask;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old_mask);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) RunChild(out, in, err, started[1], argv.data(), &old_mask, open_max, parent);
  int saved = errno;
  if (pid > 0) {
    // Wait until the child runs the program (or has ended): only then does
    // its process group exist, so that an early Terminate reaches it.  A
    // child that could not run the program says why first.
    close(started[1]);
    started[1] = -1;
    int error = 0;
    size_t got = 0;
    for (;;) {
      ssize_t n = read(started[0], reinterpret_cast<char*>(&error) + got, sizeof error - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
      if (got == sizeof error) break;
    }
    if (execError && got == sizeof error) *execError = error;
    RecordProcessGroup(pid);
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);

  if (pid < 0) {
    close_all();
    errno = saved;
    return 0;
  }
  close(started[0]);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  *outRead = out[0];
  *inWrite = in[1];
  *errRead = err[0];
  return pid;
}

}  // namespace lexidor
