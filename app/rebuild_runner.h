// Running the kit's documentation builder: start it, collect its output line
// by line until it ends, and keep the event queue drained meanwhile.
#pragma once

#include <functional>

#include "runtime/string.h"

namespace lexidor {

// Called with each line of the child's standard output, without its line
// end, as soon as the line is complete (a line longer than the pipe's buffer
// is handed over whole).  A trailing line without a line end counts as a
// line once the child has ended.
using OutputLineCallback = std::function<void(const String& line)>;

// Starts `command` (a command line, see SplitCommandLine; quote a program
// path that holds blanks) with LaunchProcess(command, flags) and returns all
// of its standard output, the lines joined with nothing between them.
//
// While the child runs: every complete line waiting is read at once (reading
// stops when no complete line is held), then the child's standard error is
// passed on, line by line, to this program's standard error (so a child that
// writes much there never blocks; an open line of standard output is ended
// first, see EndOpenLine); then, while the child still runs, a pause
// of 10 ms.  One queued event is taken off the queue and dropped after every
// line read and after every pause, which also lets the system driver handle
// pending window-system work.  When the child has ended, what it left in its
// pipes is read and handled the same way, a last line without its line end
// included; output that descendants of the child write later is not waited
// for.  Then the process is terminated (its group gets SIGTERM, reaching any
// descendant still in it), its pipes closed and it leaves RunningProcesses.
//
// The child's standard input is empty: it reads end of data at once.
// "" at once when the child cannot be started (nothing is reported).  The
// system module and the event queue must be initialised.  Main thread only.
// If `callback` throws, the child is terminated and the exception passes on.
String RunAndCollect(const String& command, int flags,
                     const OutputLineCallback& callback = nullptr);

// RunAndCollect for `program`, a path started with no arguments; the path
// is used as it stands, whatever characters it holds.  When the program
// could not be executed, *execError (when given) receives the reason (an
// errno value), else 0.
String RunProgramAndCollect(const String& program, int flags,
                            const OutputLineCallback& callback = nullptr, int* execError = nullptr);

// Runs the kit's documentation builder, <rootPath>/bin/docbake, through
// RunAndCollect, printing each line of its output on standard output as it
// comes, and returns "".  When the builder cannot be run (missing, not an
// executable file, or the system cannot execute it: no "#!" line, a missing
// interpreter), nothing runs: the reason goes to standard error and is
// returned as "Cannot run <path>: <reason>".  What the builder itself
// reports is its own affair (its standard error is passed on).
String RebuildDocumentation(const String& rootPath);

}  // namespace lexidor
