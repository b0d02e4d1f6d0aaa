// The build's second index: the text of the kit's pages, put in place
// beside the name index as one set.
#pragma once

#include <functional>

#include "runtime/string.h"

namespace lexidor {

// Where a long text build reports its progress (0..100) besides the
// terminal; the window shows it in its title.  An empty function for none.
void SetTextIndexProgress(std::function<void(int)> report);

// Indexes the text of every page below <rootPath>/docs/html (the pages
// Lexidor installs excepted) into Modules/textindex/g<n>/, then makes it the
// current one by renaming the small pointer file Modules/textindex.js, and
// installs the search script Modules/fulltext.js.  Prints one line beginning
// "Full text:"; pages that could not be read are counted there and named on
// standard error.  The name index is never touched.  Returns "" when the
// text index was put in place, else the line that says why not (already
// printed); the previous text index then stays the current one.
String InstallTextIndex();

}  // namespace lexidor
