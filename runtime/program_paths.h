// The process-wide paths fixed once at start-up, before any module runs.
//
// InitProgramPaths records, in this order: the launch directory (the working
// directory at start, backslashes turned into slashes), the program file
// (from /proc/<pid>/exe, "." when that cannot be read), the program
// directory (the program file cut before its last "/"; the launch directory
// when there is no "/"), and the arguments; then it changes the working
// directory to the program directory, so that relative paths such as
// "config.txt" refer to files beside the executable.
#pragma once

#include <vector>

#include "runtime/string.h"

namespace lexidor {

// Returns false when the change of directory failed (the paths are recorded
// all the same).
bool InitProgramPaths(int argc, char** argv);

// Sets the four values directly without touching the working directory: for
// tests and for embedders that know their paths.
void SetProgramPaths(String launch_directory, String program_file, std::vector<String> arguments);

const String& LaunchDirectory();
const String& ProgramFile();
const String& ProgramDirectory();
// The command-line arguments, the program path as the system gave it first.
const std::vector<String>& ProgramArguments();

}  // namespace lexidor
