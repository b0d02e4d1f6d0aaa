#include "app/link_rule.h"

#include <sys/stat.h>
#include <unistd.h>

#include "app/new_file.h"

namespace lexidor {

bool FollowTrustedLinks(const std::string& path, std::string* file, std::string* refused) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    struct stat folder;
    const bool trusted = st.st_uid == geteuid() || (stat(DirectoryOf(at).c_str(), &folder) == 0 &&
                                                    folder.st_uid == st.st_uid);
    if (!trusted) {
      *refused = at;
      return false;
    }
    std::string target(4096, '\0');
    ssize_t n = readlink(at.c_str(), &target[0], target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) break;
    target.resize(static_cast<size_t>(n));
    if (target[0] != '/') {
      const size_t slash = at.rfind('/');
      if (slash != std::string::npos) target = at.substr(0, slash + 1) + target;
    }
    at = std::move(target);
  }
  *file = at;
  return true;
}

std::string UntrustedFolderReason(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return std::string();  // made later, as the user's own
  if (st.st_uid != geteuid() && st.st_uid != 0) return "belongs to another user";
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return "is writable by others";
  return std::string();
}

}  // namespace lexidor
