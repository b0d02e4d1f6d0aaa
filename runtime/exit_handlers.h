// Work that must happen however the program ends normally: children are
// terminated, pipes closed.  QuitProgram runs the handlers, newest first,
// flushes the C library's streams and ends the process.
#pragma once

#include <functional>

namespace lexidor {

// Adds a handler.  Handlers are never removed; each runs at most once.
void AddExitHandler(std::function<void()> handler);

// Runs every registered handler that has not run yet, newest first.  An
// exception from a handler is swallowed so that the others still run.
void RunExitHandlers();

// RunExitHandlers, then ends the process with `status` (0 for a finished
// run).  Process-wide objects (drivers, tables) are not destroyed: they live
// until exit by design.
[[noreturn]] void QuitProgram(int status = 0);

}  // namespace lexidor
