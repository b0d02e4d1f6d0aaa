// The program's entry: start-up in its fixed order, then window or batch
// mode.
#pragma once

#include "app/command_line.h"

namespace lexidor {

// Ignores SIGPIPE and makes SIGBUS, SIGSEGV, SIGTERM, SIGTRAP and SIGINT end
// the program with "appstub.linux signal handler <n>" on standard error and
// the exit status 128 + n, after sending SIGTERM to the process group of
// every child still running.
void InstallStartupSignalHandlers();

// Registers the embedded files and starts every module, each once, each
// after the modules it builds on.
void InitModules();

// Runs Lexidor with the program's arguments, as `line` read them, and never
// returns: every path ends in QuitProgram.  Status 0 for a finished run, 1
// when the run could not do its job.  With --kit the kit of this run is that
// directory: nothing is asked and the stored settings are not written.
// Exceptions pass to the caller.
[[noreturn]] void RunLexidor(int argc, char** argv, const CommandLine& line);

}  // namespace lexidor
