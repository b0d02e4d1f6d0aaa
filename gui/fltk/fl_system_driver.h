// The system drivers of the FLTK back end.
//
// TFLSystemDriver wraps the system driver that was active before it (the
// console driver): the pump, the pointer and URL opening go on to that
// driver; notices, questions and the file and directory choosers are FLTK
// dialogs.  TFLGuiSystemDriver adds the FLTK driver's part of the pump:
// queued redraws and FLTK's own pass before the wrapped driver's.
// Main thread only.
#pragma once

#include <memory>

#include "gui/events/system_driver.h"

namespace lexidor {

class TFLTKGUIDriver;

class TFLSystemDriver : public TSystemDriver {
 public:
  explicit TFLSystemDriver(SystemDriverRef native);

  // The driver that was active when this one was made; never nullptr.
  SystemDriverRef NativeDriver;

  void Poll() override;
  void Wait() override;
  void MoveMouse(int x, int y) override;
  void SetMouseVisible(int visible) override;
  // The dialogs raise TRuntimeException "<operation> currently not
  // supported in fullscreen mode." when IsFullScreen() is non-zero.
  void Notify(const String& text, int serious) override;
  int Confirm(const String& text, int serious) override;
  int Proceed(const String& text, int serious) override;
  String RequestFile(const String& text, const String& extensions, int save,
                     const String& path) override;
  String RequestDir(const String& text, const String& path) override;
  int OpenURL(const String& url) override;

  // Not supported: raises TThrownText.
  virtual int Emit(const void* osevent, const ObjectRef& source);
  // 0: this driver never runs full screen.
  virtual int IsFullScreen();
};

class TFLGuiSystemDriver : public TFLSystemDriver {
 public:
  // Wraps the active system driver; the caller installs the result.
  static std::shared_ptr<TFLGuiSystemDriver> Create(TFLTKGUIDriver* gui);

  TFLGuiSystemDriver(SystemDriverRef native, TFLTKGUIDriver* gui_driver);

  // The FLTK driver (it outlives this one: both live until exit).
  TFLTKGUIDriver* gui;

  // Queued redraws, FLTK's non-blocking pass, then the wrapped driver's
  // Poll.
  void Poll() override;
  // Queued redraws and FLTK's pass; then, unless that pass already queued
  // events, blocks until X input, FLTK's next timeout, a signal or one
  // second; then the wrapped driver's Poll (signal handlers, main-thread
  // callbacks, X events still pending).
  void Wait() override;
};

}  // namespace lexidor
