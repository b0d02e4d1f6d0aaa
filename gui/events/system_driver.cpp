#include "gui/events/system_driver.h"

#include <limits.h>
#include <stdlib.h>

#include "runtime/exceptions.h"

namespace lexidor {

void TSystemDriver::Poll() { throw TAbstractMethodException(u"TSystemDriver.Poll"); }
void TSystemDriver::Wait() { throw TAbstractMethodException(u"TSystemDriver.Wait"); }
void TSystemDriver::MoveMouse(int, int) {
  throw TAbstractMethodException(u"TSystemDriver.MoveMouse");
}
void TSystemDriver::SetMouseVisible(int) {
  throw TAbstractMethodException(u"TSystemDriver.SetMouseVisible");
}
void TSystemDriver::Notify(const String&, int) {
  throw TAbstractMethodException(u"TSystemDriver.Notify");
}
int TSystemDriver::Confirm(const String&, int) {
  throw TAbstractMethodException(u"TSystemDriver.Confirm");
}
int TSystemDriver::Proceed(const String&, int) {
  throw TAbstractMethodException(u"TSystemDriver.Proceed");
}
String TSystemDriver::RequestFile(const String&, const String&, int, const String&) {
  throw TAbstractMethodException(u"TSystemDriver.RequestFile");
}
String TSystemDriver::RequestDir(const String&, const String&) {
  throw TAbstractMethodException(u"TSystemDriver.RequestDir");
}
int TSystemDriver::OpenURL(const String&) {
  throw TAbstractMethodException(u"TSystemDriver.OpenURL");
}

namespace {

SystemDriverRef& ActiveSlot() {
  static SystemDriverRef driver;
  return driver;
}

bool system_call_busy = false;

TSystemDriver& Active() {
  const SystemDriverRef& driver = ActiveSlot();
  if (!driver) throw TRuntimeException(u"No system driver is active");
  return *driver;
}

// Sets the busy flag for one driver call and clears it however the call
// ends, so an exception from an event handler cannot leave the pump dead.
class BusyScope {
 public:
  BusyScope() { system_call_busy = true; }
  ~BusyScope() { system_call_busy = false; }
};

}  // namespace

const SystemDriverRef& ActiveSystemDriver() { return ActiveSlot(); }

void SetActiveSystemDriver(SystemDriverRef driver) { ActiveSlot() = std::move(driver); }

bool SystemCallBusy() { return system_call_busy; }

void PumpSystemEvents() {
  if (system_call_busy) return;
  // Hold a reference: a handler may replace the active driver meanwhile.
  SystemDriverRef driver = ActiveSlot();
  if (!driver) throw TRuntimeException(u"No system driver is active");
  BusyScope busy;
  driver->Poll();
}

void BlockForSystemEvents() {
  if (system_call_busy) return;
  SystemDriverRef driver = ActiveSlot();
  if (!driver) throw TRuntimeException(u"No system driver is active");
  BusyScope busy;
  driver->Wait();
}

void ShowNotice(const String& text, int serious) { Active().Notify(text, serious); }
int AskConfirm(const String& text, int serious) { return Active().Confirm(text, serious); }
int AskProceed(const String& text, int serious) { return Active().Proceed(text, serious); }

String AskFileName(const String& text, const String& extensions, int save, const String& path) {
  return Active().RequestFile(text, extensions, save, path);
}

String AskDirectory(const String& text, const String& path) {
  return Active().RequestDir(text, path);
}

String NormalizeLaunchURL(const String& url) {
  String scheme = AsciiLower(Slice(url, 0, 5));
  if (scheme == u"http:" || scheme == u"file:") return url;
  int hash = Find(url, u"#");
  String anchor = hash < 0 ? String() : Slice(url, hash, static_cast<int>(url.size()));
  String rest = hash < 0 ? url : Slice(url, 0, hash);
  char resolved[PATH_MAX];
  if (!rest.empty() && realpath(ToLatin1(rest).c_str(), resolved)) {
    return u"file:" + FromLatin1(resolved) + anchor;
  }
  return u"http:" + rest + anchor;
}

int LaunchURL(const String& url) {
  TSystemDriver& driver = Active();
  return driver.OpenURL(NormalizeLaunchURL(url));
}

void WarpMouse(int x, int y) { Active().MoveMouse(x, y); }
void ShowPointer() { Active().SetMouseVisible(1); }
void HidePointer() { Active().SetMouseVisible(0); }

}  // namespace lexidor
