// Finding the pages to index: every .html and .htm file below a folder.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace lexidor::fulltext {

struct WalkedPage {
  std::string path;  // below the folder, "/"-separated, as the bytes of the names
  int64_t size;
  int64_t mtime;  // nanoseconds
};

struct WalkResult {
  std::vector<WalkedPage> pages;  // in name order, folders depth first
  // Folders that could not be listed and links that could not be followed,
  // each "<path>: <reason>".
  std::vector<std::string> problems;
};

// Walks `folder`.  Symbolic links are followed only when they resolve to a
// place inside the folder; every folder and every file is taken once (by
// device and inode), so link loops and second names of a page end there.
// Paths in `skip` (below the folder) are left out.
WalkResult WalkPages(const std::string& folder, const std::set<std::string>& skip);

}  // namespace lexidor::fulltext
