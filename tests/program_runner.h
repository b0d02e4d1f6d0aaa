// Running a built program as a child process, the way a user or a script
// would: arguments, standard input, environment, and what comes back.
#ifndef LEXIDOR_TESTS_PROGRAM_RUNNER_H_
#define LEXIDOR_TESTS_PROGRAM_RUNNER_H_

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace lexidor {
namespace test {

struct RunOptions {
  std::vector<std::string> args;  // after the program path
  std::string stdin_data;         // closed after these bytes
  // Variables set (or, with an empty value and unset_empty, removed) in the
  // child's environment.
  std::map<std::string, std::string> env;
  bool unset_empty = true;
  std::string working_directory;  // "" keeps the test's own
  long file_size_limit = -1;      // RLIMIT_FSIZE in bytes; SIGXFSZ ignored
  int timeout_ms = 60000;         // killed (and reported) after this
};

struct RunResult {
  int exit_status = -1;  // the exit code, or 128 + the signal
  bool timed_out = false;
  std::string out;
  std::string err;
};

// Starts `program` and collects everything it writes until it ends.
RunResult RunProgram(const std::string& program, const RunOptions& options);

// Starts `program` without waiting; its standard output and error go to the
// given files.  Returns the child's pid.
pid_t StartProgram(const std::string& program, const RunOptions& options,
                   const std::string& out_file, const std::string& err_file);

// Waits for a child started by StartProgram; the status as in RunResult, or
// -1 when it did not end within `timeout_ms` (it is then killed).
int WaitProgram(pid_t pid, int timeout_ms);

// The built Lexidor executable.
std::string LexidorBinary();

// The path of node (or nodejs) on PATH; "" when neither is installed.
std::string NodeBinary();

// The sample kit shipped with the sources.
std::string SampleKit();

}  // namespace test
}  // namespace lexidor

#endif  // LEXIDOR_TESTS_PROGRAM_RUNNER_H_
