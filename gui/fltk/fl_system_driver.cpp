#include "gui/fltk/fl_system_driver.h"

#include "gui/events/event_queue.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/requesters/requesters.h"
#include "runtime/exceptions.h"

namespace lexidor {

TFLSystemDriver::TFLSystemDriver(SystemDriverRef native) : NativeDriver(std::move(native)) {
  if (!NativeDriver) throw TRuntimeException(u"The FLTK system driver needs a driver to wrap");
}

void TFLSystemDriver::Poll() { NativeDriver->Poll(); }
void TFLSystemDriver::Wait() { NativeDriver->Wait(); }
void TFLSystemDriver::MoveMouse(int x, int y) { NativeDriver->MoveMouse(x, y); }
void TFLSystemDriver::SetMouseVisible(int visible) { NativeDriver->SetMouseVisible(visible); }
int TFLSystemDriver::OpenURL(const String& url) { return NativeDriver->OpenURL(url); }

void TFLSystemDriver::Notify(const String& text, int serious) {
  CheckRequesterAllowed(IsFullScreen(), "Notify");
  FLNotify(text, serious);
}

int TFLSystemDriver::Confirm(const String& text, int serious) {
  CheckRequesterAllowed(IsFullScreen(), "Confirm");
  return FLConfirm(text, serious);
}

int TFLSystemDriver::Proceed(const String& text, int serious) {
  CheckRequesterAllowed(IsFullScreen(), "Proceed");
  return FLProceed(text, serious);
}

String TFLSystemDriver::RequestFile(const String& text, const String& extensions, int save,
                                    const String& path) {
  CheckRequesterAllowed(IsFullScreen(), "RequestFile");
  return FLRequestFile(text, extensions, save, path);
}

String TFLSystemDriver::RequestDir(const String& text, const String& path) {
  CheckRequesterAllowed(IsFullScreen(), "RequestFile");
  return FLRequestDir(text, path);
}

int TFLSystemDriver::Emit(const void*, const ObjectRef&) {
  throw TThrownText(u"The FLTK system driver cannot emit platform events");
}

int TFLSystemDriver::IsFullScreen() { return 0; }

std::shared_ptr<TFLGuiSystemDriver> TFLGuiSystemDriver::Create(TFLTKGUIDriver* gui) {
  return std::make_shared<TFLGuiSystemDriver>(ActiveSystemDriver(), gui);
}

TFLGuiSystemDriver::TFLGuiSystemDriver(SystemDriverRef native, TFLTKGUIDriver* gui_driver)
    : TFLSystemDriver(std::move(native)), gui(gui_driver) {}

void TFLGuiSystemDriver::Poll() {
  if (gui) gui->RefreshWidgets();
  glue_check();
  NativeDriver->Poll();
}

void TFLGuiSystemDriver::Wait() {
  if (!glue_fltk_open()) {
    TFLSystemDriver::Wait();
    return;
  }
  if (gui) gui->RefreshWidgets();
  glue_check();
  // FLTK's pass may already have produced events (X input read before);
  // the caller must get them now, not after a blocking wait.
  if (QueuedEventCount() == 0) {
    // FLTK blocks on the shared X connection and wakes for its own
    // timeouts (tooltips, repeating buttons) on time.  The console driver
    // cannot wait for those: FLTK does not tell when its next timeout is
    // due.
    glue_wait(1.0);
    if (gui) gui->RefreshWidgets();
  }
  NativeDriver->Poll();
}

}  // namespace lexidor
