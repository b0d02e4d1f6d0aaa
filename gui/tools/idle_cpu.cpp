// Measures the CPU time the program spends while it sits idle in
// AwaitEvent: the system module is started as in the real program (1 ms
// tick, console driver, X connection when DISPLAY names a server), nothing
// happens for the given number of seconds, and a helper thread then posts a
// main-thread callback that ends the wait.
//
//   lexidor_idle_cpu [seconds]     (default 10)
//
// Prints one line: the wall time, the CPU time of the process and its share
// of one core, and whether an X connection was open.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gui/events/event_queue.h"
#include "gui/system/linux_system_driver.h"
#include "gui/tools/idle_measure.h"

int main(int argc, char** argv) {
  using namespace lexidor;
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (seconds <= 0) seconds = 10.0;
  InitSystemModule();
  InitEventQueueModule();
  const auto& driver = ConsoleSystemDriver();

  double cpu_before = tools::CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  // The helper thread leaves SIGALRM unblocked on purpose: the tick is
  // aimed at the main thread and must not wake it either.
  std::thread timer([&] {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    driver->PostMainThreadCallback(tools::FinishWaiting, nullptr, 0);
  });
  int events = 0;
  while (AwaitEvent() != EVENT_APPTERMINATE) ++events;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = tools::CpuSeconds() - cpu_before;
  timer.join();
  std::printf("idle %.1f s: CPU %.3f s = %.2f%% of one core; X connection: %s; other events: %d\n",
              wall, cpu, 100.0 * cpu / wall, driver->XDisplay() ? "yes" : "no", events);
  return 0;
}
