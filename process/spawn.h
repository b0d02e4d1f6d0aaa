// The platform side of child processes: splitting a command line into an
// argument vector and starting a program with pipes on its three standard
// streams.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace lexidor {

// The arguments of `commandLine`, in order.  Blanks (code 32 only; a tab is
// an ordinary character) separate tokens.  A token that begins with a double
// quote runs to the next double quote (blanks included) or to the end of the
// text, without the quotes; the character after the closing quote, unless a
// blank, begins the next token (so `"a""b"` gives a and b, and `""` an empty
// argument).  Any other token runs to the next blank; quotes inside it are
// ordinary characters.  There is no escape character.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Pointers into `arguments` followed by a null entry, ready for execv.  The
// pointers live as long as `arguments` is neither changed nor destroyed.
std::vector<char*> ArgumentVector(std::vector<std::string>& arguments);

// Starts the program named by the first token of `commandLine` (a path; no
// search along PATH) with the whole token list as its arguments.
//
// The child leads a new session and process group (whose id is its process
// id), starts with every signal at its default action, and has exactly three
// descriptors: its standard input is the read end of a pipe whose write end
// is returned in *inWrite, its standard output and error are the write ends
// of pipes whose read ends are returned in *outRead and *errRead.  When the
// program cannot be executed the child ends at once with status 255 (the
// parent then sees end of data on both pipes), and *execError, when given,
// receives the reason (an errno value; 0 when the program runs).  The child
// gets SIGTERM when the thread that started it ends, so that it does not
// outlive a program that was killed: start children from the main thread.
//
// Like vfork, it returns only once the child runs the program or has ended,
// so the child's process group exists when it returns.
//
// The returned descriptors are close-on-exec and never 0, 1 or 2; the caller
// owns them.  The child's process group is recorded for
// SignalRunningProcessGroups (process_module.h) before any signal can reach
// the parent.
//
// Returns the child's process id, or 0 when the command line holds no token
// or a pipe or the process could not be created; then no descriptor is left
// open and the three out-parameters are untouched.  `flags` is ignored.
pid_t SpawnWithPipes(const std::string& commandLine, int* outRead, int* inWrite, int* errRead,
                     int flags, int* execError = nullptr);
// The same, with the argument vector given as it is: arguments[0] is the
// program's path, whatever characters it holds.
pid_t SpawnWithPipes(std::vector<std::string> arguments, int* outRead, int* inWrite, int* errRead,
                     int flags, int* execError = nullptr);

}  // namespace lexidor
