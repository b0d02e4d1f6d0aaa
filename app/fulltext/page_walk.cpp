#include "app/fulltext/page_walk.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <utility>

namespace lexidor::fulltext {

namespace {

bool IsPageName(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "html" || ext == "htm";
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return std::string();
  std::string result(real);
  free(real);
  return result;
}

}  // namespace

WalkResult WalkPages(const std::string& folder, const std::set<std::string>& skip) {
  WalkResult result;
  const std::string realRoot = RealPath(folder);
  if (realRoot.empty()) {
    result.problems.push_back(folder + ": " + std::strerror(errno));
    return result;
  }
  std::set<std::pair<dev_t, ino_t>> seen;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) seen.emplace(st.st_dev, st.st_ino);
  // Folders still to list, by their path below `folder` ("" for itself);
  // the last is listed next, so names come out in order, depth first.
  std::vector<std::string> pending = {std::string()};
  while (!pending.empty()) {
    const std::string relative = std::move(pending.back());
    pending.pop_back();
    const std::string path = relative.empty() ? folder : folder + "/" + relative;
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(path.c_str()), closedir);
    DIR* dir = listing.get();
    if (!dir) {
      result.problems.push_back(path + ": " + std::strerror(errno));
      continue;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      // A plain file that is no page needs no look (the index's own
      // thousands of files among them).
      if (entry->d_type == DT_REG && !IsPageName(name)) continue;
      names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> folders;
    for (const std::string& name : names) {
      const std::string below = relative.empty() ? name : relative + "/" + name;
      // By the name in the listed folder: no walk along the whole path.
      if (fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
      if (S_ISLNK(st.st_mode)) {
        const std::string full = folder + "/" + below;
        const std::string target = RealPath(full);
        if (target.empty()) {
          result.problems.push_back(full + ": " + std::strerror(errno));
          continue;
        }
        if (target != realRoot && target.compare(0, realRoot.size() + 1, realRoot + "/") != 0) {
          continue;  // leads out of the documentation
        }
        if (stat(full.c_str(), &st) != 0) continue;
      }
      if (S_ISDIR(st.st_mode)) {
        if (seen.emplace(st.st_dev, st.st_ino).second) folders.push_back(below);
      } else if (S_ISREG(st.st_mode) && IsPageName(name) && !skip.count(below)) {
        if (seen.emplace(st.st_dev, st.st_ino).second) {
          result.pages.push_back(
              {below, static_cast<int64_t>(st.st_size),
               static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
        }
      }
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) pending.push_back(*it);
  }
  return result;
}

}  // namespace lexidor::fulltext
