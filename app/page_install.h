// Installing the search pages, their script and style, the kit's style
// sheet and button.js into the kit's documentation tree.
#pragma once

#include <string>
#include <vector>

#include "runtime/string.h"

namespace lexidor {

// The one-line script that writes a "Rebuild index" link to `target`.
String ButtonScript(const String& target);

class TIndexCommit;

// The second half of BuildIndex: writes the pages, their script and style,
// the style sheet and button.js beside their places and adds them to
// `commit`, which puts them in place with the index.  Returns "" on
// success, else the line that says what failed (already printed).
String InstallPages(TIndexCommit& commit);

// Removes the files earlier installations left, once the new set is in
// place: never one that is the same file as one of `kept` (byte paths),
// such as "modules/qdxstyle.css" where "modules" is a link to "Modules".
void RemoveStaleFiles(const std::vector<std::string>& kept);

}  // namespace lexidor
