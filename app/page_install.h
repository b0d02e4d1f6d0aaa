// Installing the search pages, their script and style, the kit's style
// sheet and button.js into the kit's documentation tree.
#pragma once

#include "runtime/string.h"

namespace lexidor {

// The one-line script that writes a "Rebuild index" link to `target`.
String ButtonScript(const String& target);

// The second half of BuildIndex.  Returns "" on success, else the line that
// says what failed (already printed); installed files are then either all
// the old ones or all the new ones.
String InstallPages();

}  // namespace lexidor
