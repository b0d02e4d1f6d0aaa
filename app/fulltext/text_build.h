// One build of the text index: the pages walked, read (or taken from the
// cache when unchanged), cut into sections, indexed and written as shards
// into a folder of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace lexidor::fulltext {

struct TextBuildOptions {
  std::string htmlFolder;    // the documentation's top folder
  std::string outputFolder;  // created here; must not exist yet
  std::string generation;    // letters and digits, written into every file
  std::string cacheFile;     // "" for none; read first, written after success
  // Per page (path below htmlFolder): anchor -> the command's name.
  std::map<std::string, std::map<std::string, std::string>> anchors;
  std::set<std::string> skip;  // pages below htmlFolder that are not indexed
  // Called with 0..100 as the build advances, each value at most once.
  std::function<void(int)> progress;
  // Pages read and cut ahead of the index, on a thread of their own; 0 reads
  // each page when the index takes it.
  size_t readAhead = 32;
};

struct TextBuildSummary {
  size_t pages = 0;   // pages indexed
  size_t reused = 0;  // of them, taken from the cache
  size_t sections = 0;
  uint64_t words = 0;  // words indexed
  size_t files = 0;    // files written
  uint64_t bytes = 0;  // bytes written
  // Pages (and folders) that could not be read: "<path>: <reason>".
  std::vector<std::string> skipped;
  std::string error;  // "" when the index was written in full
};

// Never throws for what a page holds; an allocation the machine cannot give
// passes as std::bad_alloc.  On error the output folder may hold part of
// the files: the caller removes it.
TextBuildSummary BuildTextIndex(const TextBuildOptions& options);

}  // namespace lexidor::fulltext
