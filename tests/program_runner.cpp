#include "tests/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace lexidor {
namespace test {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Child side after fork: environment, limits, descriptors, exec.
[[noreturn]] void ExecChild(const std::string& program, const RunOptions& options, int in_fd,
                            int out_fd, int err_fd) {
  dup2(in_fd, 0);
  dup2(out_fd, 1);
  dup2(err_fd, 2);
  for (const auto& [name, value] : options.env) {
    if (value.empty() && options.unset_empty) {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  if (options.file_size_limit >= 0) {
    signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
    struct rlimit limit = {static_cast<rlim_t>(options.file_size_limit),
                           static_cast<rlim_t>(options.file_size_limit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
    _exit(126);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

RunResult RunProgram(const std::string& program, const RunOptions& options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) Fail("pipe");
  pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) ExecChild(program, options, in[0], out[1], err[1]);
  close(in[0]);
  close(out[1]);
  close(err[1]);

  RunResult result;
  size_t written = 0;
  int in_fd = in[1];
  if (options.stdin_data.empty()) {
    close(in_fd);
    in_fd = -1;
  } else {
    fcntl(in_fd, F_SETFL, O_NONBLOCK);
  }
  signal(SIGPIPE, SIG_IGN);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeout_ms);
  int open_fds = 2;
  while (open_fds > 0) {
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in_fd, POLLOUT, 0}};
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) {
      kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    int n = poll(fds, in_fd >= 0 ? 3 : 2, left);
    if (n < 0 && errno != EINTR) Fail("poll");
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
        char buf[65536];
        ssize_t got = read(fds[i].fd, buf, sizeof buf);
        if (got > 0) {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(got));
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
          close(fds[i].fd);
          (i == 0 ? out[0] : err[0]) = -1;
          --open_fds;
        }
      }
    }
    if (in_fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t put =
          write(in_fd, options.stdin_data.data() + written, options.stdin_data.size() - written);
      if (put > 0) written += static_cast<size_t>(put);
      if (put < 0 || written == options.stdin_data.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
  if (out[0] >= 0) close(out[0]);
  if (err[0] >= 0) close(err[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_status = DecodeStatus(status);
  return result;
}

pid_t StartProgram(const std::string& program, const RunOptions& options,
                   const std::string& out_file, const std::string& err_file) {
  int out_fd = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err_fd = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int in_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (out_fd < 0 || err_fd < 0 || in_fd < 0) Fail("open " + out_file);
  pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) ExecChild(program, options, in_fd, out_fd, err_fd);
  close(out_fd);
  close(err_fd);
  close(in_fd);
  return pid;
}

int WaitProgram(pid_t pid, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return DecodeStatus(status);
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(5000);
  }
}

std::string LexidorBinary() { return std::string(LEXIDOR_BINARY_DIR) + "/Lexidor"; }

std::string NodeBinary() {
  FILE* probe = popen("command -v node || command -v nodejs", "r");
  char found[512] = {0};
  const bool have = probe && fgets(found, sizeof found, probe);
  if (probe) pclose(probe);
  std::string node = have ? found : "";
  while (!node.empty() && (node.back() == '\n' || node.back() == '\r')) node.pop_back();
  return node;
}

std::string SampleKit() { return std::string(LEXIDOR_SOURCE_DIR) + "/examples/kit"; }

}  // namespace test
}  // namespace lexidor
