// config.txt as anyone may have left it: loading never fails, gives the
// first line as the root and a normalised flag, and what it loaded saves
// and loads back unchanged.
#include <algorithm>
#include <fstream>
#include <string>

#include "app/app_state.h"
#include "app/config.h"
#include "app/settings_location.h"
#include "runtime/program_paths.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;

namespace {

// The settings folder is decided once per process: the scratch folder, as
// the folder of a program that stands there.
const std::string& ConfigPath() {
  static const std::string path = [] {
    const String folder = FromLatin1(fuzz::ScratchFolder());
    SetProgramPaths(folder, folder + u"/Lexidor", {folder + u"/Lexidor"});
    FUZZ_CHECK(SettingsDirectory() == folder, ToLatin1(SettingsDirectory()));
    return ToLatin1(SettingsFile());
  }();
  return path;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  FUZZ_CHECK(out.good(), path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ConfigPath();
  WriteFile(path, data, size);
  AppState& app = App();
  app.rootPath = u"unchanged";
  app.rebuildFlag = u"unchanged";
  LoadConfig();

  // The root is the first line: up to LF or NUL, every CR dropped.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string first = bytes.substr(0, bytes.find_first_of(std::string("\n\0", 2)));
  first.erase(std::remove(first.begin(), first.end(), '\r'), first.end());
  FUZZ_CHECK(app.rootPath == FromLatin1(first), "root is not the first line");
  FUZZ_CHECK(app.rebuildFlag == IntToString(StringToInt(app.rebuildFlag)), "flag not normalised");

  // Saved and loaded again, the settings stay as they are, unless the root
  // held a line end of its own (it cannot, having been read as a line).
  const String root = app.rootPath, flag = app.rebuildFlag;
  FUZZ_CHECK(SaveConfig().empty(), "save failed");
  app.rootPath.clear();
  app.rebuildFlag.clear();
  LoadConfig();
  FUZZ_CHECK(app.rootPath == root && app.rebuildFlag == flag, "settings changed by a save");
  return 0;
}
