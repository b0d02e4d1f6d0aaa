#include "app/config.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/new_file.h"
#include "app/settings_location.h"
#include "stream/stream.h"

namespace lexidor {

void LoadConfig() {
  // The settings path is a path of bytes: a "\" or "::" in the program's
  // folder is part of a name, so it is opened as it stands.
  std::string path;
  if (!PathBytes(SettingsFile(), path)) return;
  const String problem = SettingsFolderProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "Lexidor: %s\n", ToUtf8(problem).c_str());
    return;
  }
  FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) return;
  StreamRef s = TCStream::CreateWithCStream(file, TCStream::MODE_READ);
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
  // Readers take the file as lines: where the folder allows no temporary
  // file beside it, a file the user may write is written in place.
  file.AllowWriteInPlace();
  if (file.Open()) {
    file.Write(
        ToLatin1(app.rootPath + u"\r\n" + IntToString(StringToInt(app.rebuildFlag)) + u"\r\n"));
    file.Commit();
  }
  return file.Error();
}

}  // namespace lexidor
