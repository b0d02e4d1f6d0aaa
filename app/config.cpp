#include "app/config.h"

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/settings_location.h"
#include "stream/stream.h"

namespace lexidor {

void LoadConfig() {
  StreamRef s = OpenFileForReading(SettingsFile());
  if (!s) return;
  AppState& app = App();
  app.rootPath = s->ReadLine();
  app.rebuildFlag = IntToString(StringToInt(s->ReadLine()));
  s->Close();
}

String SaveConfig() {
  const AppState& app = App();
  String error = MakeSettingsDirectory();
  if (!error.empty()) return error;
  TAtomicFile file(SettingsFile());
  if (!file.Open()) return file.Error();
  try {
    file.Stream().WriteLine(app.rootPath);
    file.Stream().WriteLine(IntToString(StringToInt(app.rebuildFlag)));
  } catch (const TStreamWriteException&) {
    file.Fail();
  }
  file.Commit();
  return file.Error();
}

}  // namespace lexidor
