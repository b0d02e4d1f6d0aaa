// config.txt beside the program: line 1 the kit root, line 2 the rebuild
// flag as a decimal integer; one byte per character, CR LF after each line.
#pragma once

#include "runtime/string.h"

namespace lexidor {

inline const char16_t kConfigFile[] = u"config.txt";

// Reads config.txt from the working directory into App().  A missing or
// unreadable file changes nothing.  The flag is normalised through the
// text-to-integer rule (a missing or non-numeric line gives "0").
void LoadConfig();

// Writes App()'s root and flag to config.txt, replacing the old file only
// once the new one is complete.  "" on success, else a line naming the file
// and the reason (the old file is then untouched).
String SaveConfig();

}  // namespace lexidor
