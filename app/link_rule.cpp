#include "app/link_rule.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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

namespace {

// The user's own group, which holds no one else (the group of one that many
// systems give each user): a folder it may write is still the user's alone.
bool PrivateGroup(gid_t gid) {
  if (gid != getegid()) return false;
  const group* g = getgrgid(gid);
  const passwd* user = getpwuid(geteuid());
  if (!g || !user) return false;
  for (char** member = g->gr_mem; *member; ++member) {
    if (std::strcmp(*member, user->pw_name) != 0) return false;
  }
  return true;
}

}  // namespace

std::string UntrustedFolderReason(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return std::string();  // made later, as the user's own
  if (st.st_uid != geteuid() && st.st_uid != 0) return "belongs to another user";
  if (st.st_mode & S_IWOTH) return "is writable by others";
  if ((st.st_mode & S_IWGRP) && !PrivateGroup(st.st_gid)) return "is writable by others";
  return std::string();
}

}  // namespace lexidor
