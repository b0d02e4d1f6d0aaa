// A rebuild that keeps the base segment (the last full build's files, read
// in place in the base's folder) and indexes only the pages changed or
// added since it into a second segment.
#pragma once

#include "app/fulltext/base_state.h"
#include "app/fulltext/build_progress.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/text_build.h"

namespace lexidor::fulltext {

// Builds options.outputFolder from the base in options.baseFolder, whose
// description is `base`, and the pages `walk` found: the new folder holds
// the second segment and a manifest that names both, the base's files by
// their folder ("../<base>/").  False, with nothing left behind, when a full
// build must be made instead: no usable base (no pages, a file of it gone,
// not beside the output folder), or more than kDeltaPercent of its pages
// changed, added or removed.  The page cache is neither read nor written.
// True with `summary` filled in otherwise, also when writing failed (its
// error says why; the output folder may hold part of the files).
bool BuildDelta(const TextBuildOptions& options, const WalkResult& walk, const BaseState& base,
                TBuildProgress& progress, TextBuildSummary* summary);

}  // namespace lexidor::fulltext
