// Which symbolic links the program writes through.
//
// A link is followed for writing only when it belongs to the user running
// the program or to the owner of the folder it sits in: in a folder others
// may write, a link planted by someone else must not redirect a write into
// the user's own files.  The same rule decides which settings folders are
// trusted.
#pragma once

#include <string>

namespace lexidor {

// Follows the links at `path` (each link in turn, at most 40) under the rule
// above.  True with *file set to the path finally named (a dangling link
// names the file it points to); false with *refused set to the first link
// that may not be followed.
bool FollowTrustedLinks(const std::string& path, std::string* file, std::string* refused);

// "" when `folder` may hold the user's settings: it belongs to the user (or
// to root) and no one else may write it (a group of the user alone aside).  Otherwise the reason, as a phrase
// ("belongs to another user", "is writable by others").
std::string UntrustedFolderReason(const std::string& folder);

}  // namespace lexidor
