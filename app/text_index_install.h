// The build's second index: the text of the kit's pages, put in place
// beside the name index as one set.
#pragma once

#include <functional>
#include <memory>

#include "runtime/string.h"

namespace lexidor {

// Where a long text build reports its progress (0..100) besides the
// terminal; the window shows it in its title.  An empty function for none.
void SetTextIndexProgress(std::function<void(int)> report);

// What the text index's build reads before it writes anything (the pages'
// sizes and times, the current index's base), read ahead on a thread of its
// own from the time it is made, while the name index is built: that work
// writes no page of the kit, and leaves the text index alone.  Made after
// the kit is locked and its documentation built; InstallTextIndex takes
// what it read, or the object ends the thread when it goes.
class TextIndexReading;
std::shared_ptr<TextIndexReading> ReadTextIndexAhead();
// Has `ahead` also gather the command list's anchors by page, on a thread
// of its own, once the list is read and sorted: the list must then stay as
// it is until InstallTextIndex.  Nothing for a null `ahead`.
void GatherTextAnchors(const std::shared_ptr<TextIndexReading>& ahead);

// Indexes the text of every page below <rootPath>/docs/html (the pages
// Lexidor installs excepted) into Modules/textindex/g<n>/, then makes it the
// current one by renaming the small pointer file Modules/textindex.js, and
// installs the search script Modules/fulltext.js.  Prints one line beginning
// "Full text:"; pages that could not be read are counted there and named on
// standard error.  The name index is never touched.  Returns "" when the
// text index was put in place, else the line that says why not (already
// printed); the previous text index then stays the current one.
String InstallTextIndex(const std::shared_ptr<TextIndexReading>& ahead = nullptr);

}  // namespace lexidor
