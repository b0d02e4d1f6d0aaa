// The application's process-wide state: the kit root, the rebuild setting,
// and the records of the last build.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/tcommand.h"
#include "runtime/string.h"

namespace lexidor {

inline const char16_t kVersionText[] = u"1.2";
inline const char16_t kTitlePrefix[] = u"Lexidor v.";

struct AppState {
  // The kit's root directory, without a trailing separator: other paths are
  // this followed by a path that begins with one.
  String rootPath;
  // "1" when the documentation builder runs before indexing.  Kept as text.
  String rebuildFlag = u"0";
  // The commands of the last build, sorted by name.
  TCommandList commandList;
  // One record per module, keyed by the upper-cased module name: the last
  // command filed under it.  Never emptied while the program runs.
  std::map<std::string, TCommandCopy> moduleMap;
};

// The one instance, created on first use and never destroyed.
AppState& App();

}  // namespace lexidor
