// config.txt: line 1 the kit root, line 2 the rebuild flag as a decimal
// integer; one byte per character, CR LF after each line.  It lives beside
// the program or in the user's settings folder (settings_location.h).
#pragma once

#include "runtime/string.h"

namespace lexidor {

// Reads SettingsFile() into App().  A missing or unreadable file changes
// nothing.  The flag is normalised through the text-to-integer rule (a
// missing or non-numeric line gives "0").
void LoadConfig();

// Writes App()'s root and flag to SettingsFile(), creating the settings
// folder when it is missing, and replacing the old file only once the new
// one is complete.  "" on success, else a line naming the file (or folder)
// and the reason (the old file is then untouched).
String SaveConfig();

}  // namespace lexidor
