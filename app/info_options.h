// --help and --version: the two arguments that do not start a batch build.
#pragma once

namespace lexidor {

// When the first argument is "--help" or "--version", prints the answer to
// standard output and returns 0 (nothing is built, no setting is written);
// otherwise returns -1 and the arguments keep their usual meaning (none: the
// window; any: a batch build).
int AnswerInfoOption(int argc, char** argv);

}  // namespace lexidor
