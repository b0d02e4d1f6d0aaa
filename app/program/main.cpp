// Lexidor: builds a searchable HTML index of a Quandrel kit's documentation.
// Without arguments it opens its window; with any argument but --help and
// --version it builds at once.
#include <cstdio>
#include <exception>

#include "app/info_options.h"
#include "app/startup.h"
#include "runtime/exit_handlers.h"

int main(int argc, char** argv) {
  try {
    const int info_status = lexidor::AnswerInfoOption(argc, argv);
    if (info_status >= 0) return info_status;
    lexidor::RunLexidor(argc, argv);
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
