#include "app/startup.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/build_ahead.h"
#include "app/command_index.h"
#include "app/config.h"
#include "app/kit_lock.h"
#include "app/main_window.h"
#include "app/new_file.h"
#include "app/rebuild_runner.h"
#include "app/resources.h"
#include "app/user_path.h"
#include "gui/events/event.h"
#include "gui/events/event_queue.h"
#include "gui/events/system_driver.h"
#include "gui/events/timing.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/gadgets/gadget.h"
#include "gui/system/linux_system_driver.h"
#include "process/process_module.h"
#include "runtime/exit_handlers.h"
#include "runtime/left_to_exit.h"
#include "runtime/program_paths.h"
#include "stream/embedded_files.h"
#include "stream/ram_stream.h"
#include "stream/standard_io.h"
#include "stream/text_stream.h"

namespace lexidor {

namespace {

// Async-signal-safe: formats by hand and writes with write(2).
void FatalSignalHandler(int signal_number) {
  char message[64] = "appstub.linux signal handler ";
  size_t length = std::strlen(message);
  char digits[12];
  int n = 0;
  unsigned value = static_cast<unsigned>(signal_number);
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value && n < 11);
  while (n) message[length++] = digits[--n];
  message[length++] = '\n';
  ssize_t ignored = write(STDERR_FILENO, message, length);
  (void)ignored;
  // A builder started by the program must not outlive it, and neither may
  // the files of an unfinished build.
  SignalRunningProcessGroups(SIGTERM);
  RemoveUnkeptFiles();
  _exit(128 + signal_number);
}

void WriteError(const String& text) {
  std::fprintf(stderr, "Lexidor: %s\n", ToUtf8(text).c_str());
  std::fflush(stderr);
}

}  // namespace

void InstallStartupSignalHandlers() {
  signal(SIGPIPE, SIG_IGN);
  struct sigaction action = {};
  action.sa_handler = FatalSignalHandler;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGBUS, SIGSEGV, SIGTERM, SIGTRAP, SIGINT}) sigaction(s, &action, nullptr);
}

void InitModules() {
  // The embedded pages come first, before any module or the configuration.
  RegisterResourceFiles();
  // The GUI driver module and everything it builds on.
  InitRamStreamModule();
  InitTextStreamModule();
  InitStandardIO();
  InitTimingModule();
  InitSystemModule();
  InitEventModule();
  InitGadgetModule();
  // The event queue, which the FLTK driver's events go to, then the driver
  // itself when there is an X display to show windows on.
  InitEventQueueModule();
  InitFLTKDriverModule();
  // The process module: the child reaper and the exit handler that ends
  // every running child.
  InitProcessModule();
}

void RunLexidor(int argc, char** argv, const CommandLine& line) {
  OpenClosedStandardDescriptors();
  InitProgramPaths(argc, argv);
  InstallStartupSignalHandlers();
  InitModules();
  if (FLTKDriver()) {
    // The class and icon that let the desktop match the window to the menu
    // entry that started it.
    const EmbeddedFile* icon = FindEmbeddedFile(u"resources\\lexidor.png");
    SetWindowIdentity(u"lexidor", icon ? icon->data : nullptr, icon ? icon->size : 0);
  }

  AppState& app = App();
  LoadConfig();
  if (line.hasKit) {
    // This run's kit only: the stored one stays, and nothing is saved.
    app.rootPath = ResolveUserDirectory(FromLatin1(line.kit));
  } else if (app.rootPath.empty()) {
    // A typed answer is relative to where the program was started.
    app.rootPath = ResolveUserDirectory(
        AskDirectory(u"Find the Quandrel dir", ChooserStartDirectory(u"", UserHome())));
    String error = SaveConfig();
    if (!error.empty()) WriteError(error);
  }
  app.commandList.Clear();

  const auto& arguments = ProgramArguments();
  // A batch build of a kit that no other build holds takes the lock at
  // once and has the build's reading (the command list, then the text
  // index's pages) start now, on threads of their own, while the echo's
  // pauses run.  Not when the documentation is to be built first: that
  // changes the list and the pages.  A kit held by another build is waited
  // for below, as ever.
  std::unique_ptr<KitLock> earlyLock;
  std::shared_ptr<BuildAhead> ahead;
  if (arguments.size() > 1 && !app.rootPath.empty() && app.rebuildFlag != u"1") {
    earlyLock = KitLock::TryLock(app.rootPath);
    if (earlyLock->held()) {
      ahead = StartBuildAhead();
    } else {
      earlyLock.reset();
    }
  }

  for (const String& argument : arguments) {
    // Arguments are held one character per byte: UTF-8 ones go out as typed.
    StandardStream()->WriteString(u"<" + DecodeUtf8Bytes(argument) + u">");
    StandardStream()->Flush();
    PauseMillis(100);
  }

  if (arguments.size() <= 1) {
    if (!FLTKDriver()) {
      WriteError(
          u"cannot open the X display (is DISPLAY set?); run with an argument for a "
          u"batch build");
      // What the X library said about it, kept from start-up.
      const auto& console = ConsoleSystemDriver();
      if (console && !console->DisplayProblem().empty()) {
        std::fputs(console->DisplayProblem().c_str(), stderr);
        std::fflush(stderr);
      }
      QuitProgram(1);
    }
    RunMainWindow();
  }
  if (app.rootPath.empty()) {
    WriteError(u"no Quandrel kit directory is set (config.txt names none and none was given)");
    QuitProgram(1);
  }
  const auto lock = earlyLock ? std::move(earlyLock) : LockKitForBuild(app.rootPath);
  if (app.rebuildFlag == u"1") RebuildDocumentation(app.rootPath);
  // Handed over whole: the build ends the reading's threads before the
  // program quits.  The build waits on nothing the 1 ms tick serves (the
  // kit's lock and the builder are waited for above): held off, the tick no
  // longer interrupts it a thousand times a second.
  // The program ends once the index is built: what the build holds at its
  // end is left to the exit, not freed piece by piece.
  SetEndsAfterWork(true);
  String error;
  {
    TickHold hold;
    error = BuildIndex(std::move(ahead));
  }
  QuitProgram(error.empty() ? 0 : 1);
}

}  // namespace lexidor
