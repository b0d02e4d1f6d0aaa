// The page the "Rebuild index" link opens when the program is installed: a
// browser cannot run an installed program, so the page gives the command
// line that rebuilds this kit's index.
#pragma once

#include "runtime/string.h"

namespace lexidor {

// How a shell finds the program `name` in `directory`: its bare name when
// `directory` is on `searchPath` (a $PATH value), else its full path.
String ProgramCommand(const String& directory, const String& name, const String& searchPath);

// `program` --kit `root`, the root quoted for a POSIX shell when it holds
// anything but letters, digits and / . _ - + , : @ %.
String RebuildCommand(const String& program, const String& root);

// `page` with its "@COMMAND@" replaced by `command`, escaped for HTML.
String RebuildPage(const String& page, const String& command);

}  // namespace lexidor
