// The command line: the options, and what is left for the run itself.
//
//   -h, --help       the usage, the settings file of this run; nothing built
//   -V, --version    the version; nothing built
//   --kit DIR        (or --kit=DIR) build the kit at DIR for this run only
//   --               ends the options
//
// Any other argument keeps its old meaning: it asks for a batch build.  An
// unknown argument that begins with "--" is refused, so that a mistyped
// option never starts a build.
#pragma once

#include <string>

namespace lexidor {

struct CommandLine {
  enum Action { kRun, kHelp, kVersion, kUsageError };
  Action action = kRun;
  bool hasKit = false;
  std::string kit;    // --kit's directory, as given
  std::string error;  // kUsageError: what is wrong, without the program's name
};

// Reads argv[1..argc-1].  The first of --help, --version or a usage error
// decides the action.
CommandLine ParseCommandLine(int argc, char** argv);

// Answers --help, --version and usage errors (on standard error, with a hint
// to --help) and returns the exit status: 0, or 2 for a usage error.  -1 for
// kRun: the caller runs the program.
int AnswerCommandLine(const CommandLine& line, int argc, char** argv);

}  // namespace lexidor
