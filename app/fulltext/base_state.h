// What a rebuild needs to know of the last full build (the base segment)
// without reading its files or the page cache whole: which pages it holds
// and where their sections lie, its counts, each stem's number of sections,
// and the names and key ranges of its files.
//
// The file sits beside its generation's folder (textindex/g7.state for
// textindex/g7).  A generation made by a rebuild reads the base's files in
// the base's own folder and has no state of its own.  Any
// damage or another form makes it unreadable, which costs a full build and
// nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lexidor::fulltext {

struct BasePage {
  std::string path;  // below the documentation folder
  int64_t size = 0;
  int64_t mtime = 0;
  uint64_t anchors = 0;  // AnchorsHash of the anchors key the page was cut by
  uint32_t firstSection = 0;
  uint32_t sections = 0;
  uint64_t words = 0;
};

struct BaseState {
  std::string generation;          // the generation every file of the base carries
  std::vector<std::string> files;  // the base's file names in its folder
  uint64_t bytes = 0;              // and their bytes
  std::string ranges;              // its files' key ranges, as the manifest gives them
  uint64_t sections = 0;
  uint64_t words = 0;
  uint64_t length = 0;          // title and body words of all sections
  std::vector<BasePage> pages;  // in section order
  // Sorted; the texts are held by whoever wrote the state or, for one
  // read, by `text`.
  std::vector<std::string_view> stems;
  std::vector<uint32_t> frequency;  // per stem: the sections holding it
  std::shared_ptr<const std::string> text;

  // The sections holding `stem`; 0 for a stem the base does not hold.
  uint32_t Frequency(std::string_view stem) const;
};

// A page's anchors key (page_source.h) as the state keeps it.
uint64_t AnchorsHash(std::string_view key);

// Writes `state` to `file` (a new file; synced).  "" on success, else what
// failed.
std::string WriteBaseState(const std::string& file, const BaseState& state);

// Reads `file`; false when it is missing, damaged or of another form.
bool ReadBaseState(const std::string& file, BaseState* state);

}  // namespace lexidor::fulltext
