// Lexidor: builds a searchable HTML index of a Quandrel kit's documentation.
// Without arguments it opens its window; with any argument but the
// information options it builds at once.
#include <cstdio>
#include <exception>

#include "app/command_line.h"
#include "app/startup.h"
#include "runtime/exit_handlers.h"

int main(int argc, char** argv) {
  try {
    const lexidor::CommandLine line = lexidor::ParseCommandLine(argc, argv);
    const int answered = lexidor::AnswerCommandLine(line, argc, argv);
    if (answered >= 0) return answered;
    lexidor::RunLexidor(argc, argv, line);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "Lexidor: %s\n", e.what());
  } catch (...) {
    std::fflush(stdout);
    std::fprintf(stderr, "Lexidor: unexpected error\n");
  }
  lexidor::RunExitHandlers();
  return 1;
}
