// The system driver: the one object through which the rest of the program
// asks the platform for what is not a gadget -- pumping or waiting for
// platform events, notices and questions, file and directory names, opening
// a URL, moving or hiding the pointer.
//
// One driver is active at a time (ActiveSystemDriver).  The system module
// installs the console driver (linux_system_driver.h); the GUI driver later
// replaces it with its own.  The global functions below always go through
// whichever driver is active.  Main thread only.
#pragma once

#include <memory>

#include "runtime/object.h"

namespace lexidor {

// The abstract interface.  Every operation here raises
// TAbstractMethodException naming itself; a usable driver overrides all.
class TSystemDriver : public TObject {
 public:
  // Handles whatever the platform has pending, without blocking.
  virtual void Poll();
  // Blocks until something may have happened (about a second at most), then
  // handles it.
  virtual void Wait();
  virtual void MoveMouse(int x, int y);
  // Shows (non-zero) or hides (0) the pointer.
  virtual void SetMouseVisible(int visible);
  virtual void Notify(const String& text, int serious);
  // 1 yes, 0 no.
  virtual int Confirm(const String& text, int serious);
  // 1 yes, 0 no, -1 cancel.
  virtual int Proceed(const String& text, int serious);
  // The chosen name, or the empty string when none.
  virtual String RequestFile(const String& text, const String& extensions, int save,
                             const String& path);
  virtual String RequestDir(const String& text, const String& path);
  // Shows `url` in the user's browser.
  virtual int OpenURL(const String& url);
};

using SystemDriverRef = std::shared_ptr<TSystemDriver>;

// The driver in use; nullptr before the system module starts.
const SystemDriverRef& ActiveSystemDriver();
// Replaces the active driver; the replaced one is released.
void SetActiveSystemDriver(SystemDriverRef driver);

// True while PumpSystemEvents or BlockForSystemEvents is inside the driver.
bool SystemCallBusy();

// Let the active driver handle what is pending (Poll) / block until
// something may have happened (Wait).  Both return at once, doing nothing,
// when either is already running (a handler inside a poll that asks for
// another one), so they never nest.  Raise TRuntimeException "No system
// driver is active" when there is none.
void PumpSystemEvents();
void BlockForSystemEvents();

// The questions, through the active driver (TRuntimeException "No system
// driver is active" without one).
void ShowNotice(const String& text, int serious);
int AskConfirm(const String& text, int serious);
int AskProceed(const String& text, int serious);
String AskFileName(const String& text, const String& extensions, int save, const String& path);
String AskDirectory(const String& text, const String& path);

// Opens NormalizeLaunchURL(url) with the active driver's OpenURL and returns
// its result.
int LaunchURL(const String& url);

// Turns what the user gave into a URL: one that starts with "http:" or
// "file:" (any case) stays as it is.  Otherwise the part from the first "#"
// on is the anchor; if the rest names something that exists, the result is
// "file:" + its real path (realpath) + anchor, else "http:" + the rest +
// anchor.
String NormalizeLaunchURL(const String& url);

void WarpMouse(int x, int y);
void ShowPointer();
void HidePointer();

}  // namespace lexidor
