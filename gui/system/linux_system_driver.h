// gui/system: the console system driver, the platform's events and questions without a toolkit.
//
// The console system driver: X input straight from the X server (when
// there is one) and every question on the console (standard input and
// output).
//
// It owns the process's X display connection, which the FLTK driver later
// shares: that driver installs a raw-event hook here, so one event pump
// serves both.  Xlib types stay out of this header; the display and events
// travel as void pointers (Display*, const XEvent*).  Main thread only,
// except PostMainThreadCallback.
#pragma once

#include <memory>
#include <string>

#include "gui/events/system_driver.h"

namespace lexidor {

// Gets every X event (a const XEvent*) before translation; non-zero
// consumes it.
using RawXEventHook = int (*)(const void* xevent);

// Called on the main thread from Poll / Wait with the signal number that
// was pending.
using SignalHandlerFunction = void (*)(int signal_number);

// A function queued by another thread for the main thread.
using MainThreadFunction = void (*)(const ObjectRef& data, int argument);

class TLinuxSystemDriver : public TSystemDriver {
 public:
  // Opens the default X display (the one DISPLAY names); without one the
  // driver works on the console only.  What the X library says about a
  // display it cannot open is kept (DisplayProblem), not written out.
  TLinuxSystemDriver();
  ~TLinuxSystemDriver() override;

  // Flushes X output, translates every pending X event, runs the handler
  // of a pending signal, then the queued main-thread callbacks.  Without an
  // X connection only the signal handler and callbacks run.
  void Poll() override;
  // WaitMillis(1000).
  void Wait() override;
  // Translates pending X events; if none were there, no callback is queued
  // and no signal needs handling, blocks until X input arrives, a signal
  // other than the 1 ms tick comes in (SIGCHLD), a callback is posted, or
  // `max_ms` pass.  Then the signal handler and callbacks as in Poll.
  void WaitMillis(int max_ms);

  // Warps the pointer to x, y in the registered application window;
  // nothing without one.
  void MoveMouse(int x, int y) override;
  // Shows / hides the pointer over the registered application window;
  // nothing without one.
  void SetMouseVisible(int visible) override;

  // Text + CR LF on standard output.
  void Notify(const String& text, int serious) override;
  // Text + " (Yes/No)?"; 1 when the answer starts with y or Y.
  int Confirm(const String& text, int serious) override;
  // Text + " (Yes/No/Cancel)?"; y/Y 1, n/N 0, anything else (an empty
  // answer and end of input too) -1.
  int Proceed(const String& text, int serious) override;
  // "Enter a filename:" and the line read; the arguments are ignored.
  String RequestFile(const String& text, const String& extensions, int save,
                     const String& path) override;
  // "Enter a directory name:" and the line read.
  String RequestDir(const String& text, const String& path) override;
  // With KDE_FULL_DESKTOP set and not empty runs "kfmclient exec <url>",
  // else with GNOME_DESKTOP_SESSION_ID set and not empty "gnome-open <url>",
  // else nothing.  The program is started directly (no shell: the URL is one
  // argument, never interpreted) and not waited for beyond reaping.  Returns
  // 0.
  int OpenURL(const String& url) override;

  // Not supported by the console driver: raises TRuntimeException.
  virtual int Emit(const void* platform_event, const ObjectRef& source);

  // The X connection (a Display*), nullptr without an X server.
  void* XDisplay() const { return display_; }
  // What the X library wrote when the display could not be opened ("" when
  // it was opened, or nothing was said).
  const std::string& DisplayProblem() const { return display_problem_; }
  // The file descriptor of the X connection, -1 without one.
  int XConnectionFd() const;

  // Installs (or with nullptr removes) the raw-event hook.
  void SetRawEventHook(RawXEventHook hook) { raw_hook_ = hook; }
  RawXEventHook RawEventHook() const { return raw_hook_; }

  // The raw-event hook, then (unless it consumed the event) translation.
  void HandleXEvent(const void* xevent);
  // Translation alone: turns one X key, button or motion event into
  // KeyDown / KeyChar / KeyRepeat / KeyUp, MouseDown / MouseUp /
  // MouseWheel or MouseMove events and emits them (source null, mods 0).
  // A key release immediately followed in the X queue by a press of the
  // same key is an auto-repeat: the press is removed and KeyRepeat emitted.
  // A keyboard-mapping change refreshes Xlib's keysym table; other events
  // are ignored.
  void TranslateXEvent(const void* xevent);

  // The X window (a Window id) the pointer operations act on; 0 for none.
  void SetApplicationWindow(unsigned long window) { app_window_ = window; }
  unsigned long ApplicationWindow() const { return app_window_; }

  // Registers (or with nullptr removes) the handler run when
  // `signal_number` (1..64) is pending at a poll or wait.
  void SetSignalHandler(int signal_number, SignalHandlerFunction handler);

  // Queues `func(data, argument)` to run on the main thread at the next
  // poll or wait, and wakes a waiting main thread.  Any thread.  The record
  // keeps `data` alive until the call has returned.
  void PostMainThreadCallback(MainThreadFunction func, ObjectRef data, int argument);

  // The descriptor that becomes readable when a callback is posted, for a
  // toolkit's own wait to watch (-1 when there is none), and the reading
  // of what woke it.  Main thread.
  int WakeDescriptor() const;
  void DrainWake();

 private:
  void HandlePendingX(bool* handled_any);
  void RunSignalHandler();
  void RunMainThreadCallbacks();
  bool CallbacksQueued();

  void* display_ = nullptr;
  std::string display_problem_;
  RawXEventHook raw_hook_ = nullptr;
  unsigned long app_window_ = 0;
  unsigned long hidden_cursor_ = 0;
  struct Shared;
  std::unique_ptr<Shared> shared_;
};

// The X key code of the event's unshifted keysym, mapped to the program's
// key code (letters to 65..90, arrows to 37..40, F1.. to 112..), given the
// keysym's low 8 bits.
int KeyCodeOfKeysymByte(int keysym_low_byte);

// The console driver made by InitSystemModule, whether or not it is still
// the active driver; nullptr before.  The GUI driver keeps using it to
// block for input and to share the X connection.
const std::shared_ptr<TLinuxSystemDriver>& ConsoleSystemDriver();

// Starts the timing module (clock base, 1 ms timer), makes the console
// driver and makes it active.  Idempotent.
void InitSystemModule();

}  // namespace lexidor
