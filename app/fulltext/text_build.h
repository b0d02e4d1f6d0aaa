// One build of the text index: the pages walked, read (or taken from the
// cache when unchanged), cut into sections, indexed and written as shards
// into a folder of their own.
//
// A full build indexes every page into one segment and writes, beside its
// folder, what a rebuild needs of it (base_state.h).  A rebuild after a few
// pages changed leaves that base's files where they are, in the base's own
// folder, which the new folder's manifest names, and indexes only the pages
// changed or added since the base into a second, small segment; the base's
// sections of changed and removed pages are masked.  Past kDeltaPercent of
// the base's pages, or without a usable base, a rebuild is a full build
// again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/fulltext/base_state.h"
#include "app/fulltext/page_anchors.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/write_gate.h"

namespace lexidor::fulltext {

struct TextBuildOptions {
  std::string htmlFolder;    // the documentation's top folder
  std::string outputFolder;  // created here; must not exist yet
  std::string generation;    // letters and digits, written into every file
  std::string cacheFile;     // "" for none; read first, written after a full build
  // The folder of the last full build, which the current index reads (its
  // own folder, or the base its rebuild's manifest names), beside
  // outputFolder: a rebuild may read its files in place.  "" for none (a
  // full build).
  std::string baseFolder;
  // Per page (path below htmlFolder): anchor -> the command's name.
  std::map<std::string, std::map<std::string, std::string>> anchors;
  // When given (it outlives the build), the anchors of every page in one
  // flat table, and `anchors` is left empty: a rebuild that keeps the base
  // takes the pages' hashes from it and makes the tables of only the pages
  // it reads; a full build makes each page's as the page is read.
  const TAnchorTable* anchorTable = nullptr;
  std::set<std::string> skip;  // pages below htmlFolder that are not indexed
  // Called with 0..100 as the build advances, each value at most once.
  std::function<void(int)> progress;
  // Pages read and cut ahead of the index, on a thread of their own; 0 reads
  // each page when the index takes it.
  size_t readAhead = 32;
  // When given (it outlives the build), the build reads and indexes the
  // pages at once but writes nothing, the page cache's file included,
  // before the gate opens; a cancelled gate ends it with nothing written
  // and the error kCancelledBuild.
  TWriteGate* gate = nullptr;
};

// The error of a build whose gate was cancelled.
inline constexpr char kCancelledBuild[] = "not wanted: the build was given up";

struct TextBuildSummary {
  size_t pages = 0;       // pages indexed
  size_t reused = 0;      // of them, taken from the cache or kept in the base segment
  bool baseKept = false;  // the last full build's files were kept, not written again
  // The name of the folder beside the output folder whose files the new
  // index reads as well (the base's, when kept); "" for none.
  std::string baseFolder;
  size_t segments = 1;  // 2 when pages changed since it are in a second segment
  size_t sections = 0;
  uint64_t words = 0;  // words indexed
  size_t files = 0;    // files of the index, those kept in the base's folder included
  uint64_t bytes = 0;  // their bytes
  // Pages (and folders) that could not be read: "<path>: <reason>".
  std::vector<std::string> skipped;
  std::string error;  // "" when the index was written in full
};

// A rebuild keeps the base while the pages changed, added or removed since
// it are at most this share of the base's pages: the rebuild's cost and
// the second segment's weight in every search grow with them, and the
// base's scores, reckoned over its own pages, drift from what a full build
// would give.
constexpr size_t kDeltaPercent = 10;

// The file beside a generation's folder that describes its base.
inline std::string BaseStateFile(const std::string& folder) { return folder + ".state"; }

// What a build reads before it writes anything: the pages as the walk
// finds them and the description of the base in `baseFolder` (when it can
// be read).  Reading it is most of a small rebuild's work and writes
// nothing, so a caller may read it ahead, on a thread of its own, while
// other work runs; the pages are then taken as they were at that time.
struct TextBuildInput {
  std::string baseFolder;  // whose description `base` is
  WalkResult walk;
  BaseState base;
  bool baseRead = false;  // false: none asked for, missing, damaged, or of another form
};
TextBuildInput ReadTextBuildInput(const std::string& htmlFolder, const std::set<std::string>& skip,
                                  const std::string& baseFolder);

// Never throws for what a page holds; an allocation the machine cannot give
// passes as std::bad_alloc.  On error the output folder may hold part of
// the files: the caller removes it.  After a full build BaseStateFile(output
// folder) describes the new folder as a base; a caller that then fails to
// put the folder in place removes that file too.  The base folder is never
// written to.
TextBuildSummary BuildTextIndex(const TextBuildOptions& options);
// The same from input read before, for these options' folders (an input
// read for another base folder is taken for the pages only).
TextBuildSummary BuildTextIndex(const TextBuildOptions& options, TextBuildInput input);

}  // namespace lexidor::fulltext
