// Shows a small window through the FLTK driver (a bordered, coloured label,
// a check box and two buttons, like the program's main window) and measures
// the CPU the process spends while it waits in AwaitEvent with nothing
// happening.  A helper thread ends the wait after the given time.
//
//   lexidor_fltk_idle [seconds]     (default 10)
//
// Needs an X server (DISPLAY).  Prints one line: the wall time, the CPU
// time and its share of one core.  Exit status 1 without an X server.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gui/events/event_queue.h"
#include "gui/events/timing.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/system/linux_system_driver.h"
#include "gui/tools/idle_measure.h"

namespace {

std::atomic<bool> finished{false};

}  // namespace

int main(int argc, char** argv) {
  using namespace lexidor;
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (seconds <= 0) seconds = 10.0;
  InitSystemModule();
  InitEventQueueModule();
  InitGadgetModule();
  if (!InitFLTKDriverModule()) {
    std::fprintf(stderr, "lexidor_fltk_idle: no X display\n");
    return 1;
  }
  GadgetRef window = NewWindow(u"Lexidor - idle", 100, 100, 400, 130, nullptr, 513);
  // "@" and "%" show as they are.
  GadgetRef path = NewLabel(u"/opt/quandrel@2 (100%s)", 10, 10, 380, 24, window, 1);
  TintGadget(path, 200, 200, 200, 1);
  TintGadget(path, 20, 20, 230, 0);
  GadgetRef check = NewButton(u"Rebuild docs", 10, 44, 150, 24, window, 2);
  ChangeButtonCheck(check, 1);
  GadgetRef build = NewButton(u" BUILD ", 200, 90, 90, 30, window, 8);
  GadgetRef close = NewButton(u" CLOSE ", 300, 90, 90, 30, window, 8);
  SetGadgetToolTip(build, u"Builds the index");

  // Let the window appear before measuring.
  for (int i = 0; i < 20; ++i) {
    PumpSystemEvents();
    PauseMillis(10);
  }
  while (PollForEvent() != 0) {
  }

  double cpu_before = tools::CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  std::thread timer([&] {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    ConsoleSystemDriver()->PostMainThreadCallback(tools::FinishWaiting, nullptr, 0);
  });
  int events = 0;
  while (AwaitEvent() != EVENT_APPTERMINATE) ++events;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = tools::CpuSeconds() - cpu_before;
  timer.join();
  std::printf("FLTK driver idle %.1f s: CPU %.3f s = %.2f%% of one core; other events: %d\n", wall,
              cpu, 100.0 * cpu / wall, events);
  ReleaseGadget(window);
  return 0;
}
