// Directories the user names: typed on the console, given with --kit, or
// where a directory chooser opens.
#pragma once

#include "runtime/string.h"

namespace lexidor {

// `typed` as an absolute directory without a trailing slash: "~" and "~/..."
// start at `home`, any other relative path at `base`; "." parts and repeated
// slashes are dropped, ".." takes back the part before it.  "" stays "" (a
// cancelled answer); a "~" path with no `home` is taken relative to `base`.
String ResolveDirectory(const String& typed, const String& base, const String& home);

// ResolveDirectory against the directory the program was started in and the
// user's home.
String ResolveUserDirectory(const String& typed);

// The user's home: $HOME when it is absolute, else the account's home; ""
// when there is none.
String UserHome();

// Where a directory chooser for the kit opens, ending in "/": the current
// kit's parent when a kit is set, else `home` ("" when both are empty).
String ChooserStartDirectory(const String& kit, const String& home);

}  // namespace lexidor
