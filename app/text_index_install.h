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

// The text index's build, begun ahead of the name index's writes on
// threads of its own: ReadTextIndexAhead starts reading what it reads
// first (the pages' sizes and times, the current index's base), which
// writes nothing and leaves the pages alone, so it may start as soon as the
// kit is locked and its documentation built.  StartTextIndex, once the
// command list is read and sorted, has it gather the list's anchors and
// read and index the pages, still writing nothing: the list must then stay
// as it is until InstallTextIndex (or until the object goes), which lets it
// write once the name index is in place.  Dropping the object without InstallTextIndex gives the
// build up, with nothing written; its threads are waited for.
class TextIndexAhead;
std::shared_ptr<TextIndexAhead> ReadTextIndexAhead();
// Nothing for a null `ahead`, or one already started.
void StartTextIndex(const std::shared_ptr<TextIndexAhead>& ahead);

// Indexes the text of every page below <rootPath>/docs/html (the pages
// Lexidor installs excepted) into Modules/textindex/g<n>/, then makes it the
// current one by renaming the small pointer file Modules/textindex.js, and
// installs the search script Modules/fulltext.js.  Prints one line beginning
// "Full text:"; pages that could not be read are counted there and named on
// standard error.  The name index is never touched.  Returns "" when the
// text index was put in place, else the line that says why not (already
// printed); the previous text index then stays the current one.
// `ahead`: the build begun ahead; without one it is begun here.
String InstallTextIndex(const std::shared_ptr<TextIndexAhead>& ahead = nullptr);

}  // namespace lexidor
