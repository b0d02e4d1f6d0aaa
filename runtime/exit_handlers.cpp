#include "runtime/exit_handlers.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace lexidor {

namespace {
std::vector<std::function<void()>>& Handlers() {
  static auto* handlers = new std::vector<std::function<void()>>();
  return *handlers;
}
}  // namespace

void AddExitHandler(std::function<void()> handler) { Handlers().push_back(std::move(handler)); }

void RunExitHandlers() {
  auto& handlers = Handlers();
  while (!handlers.empty()) {
    std::function<void()> handler = std::move(handlers.back());
    handlers.pop_back();
    try {
      handler();
    } catch (...) {
    }
  }
}

void QuitProgram(int status) {
  RunExitHandlers();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace lexidor
