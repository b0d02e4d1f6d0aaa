// Files of the text index written whole and made durable, with the reason
// of the first failure, and read back whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lexidor::fulltext {

// Creates `path`, which must not exist (nor be a link), and writes all of
// `content`: the open descriptor, or -1 with errno set (ENOSPC where the
// disk took nothing more without saying why); a file it created but could
// not write whole is removed.
int CreateAndWrite(const std::string& path, std::string_view content);

// Syncs and closes `fd`: 0, or the errno of the first failure, the sync's
// or else the close's.
int SyncAndClose(int fd);

// The whole of the regular file `path` (not followed when it is a link),
// when it holds at most `largest` bytes and can be read.
bool ReadWholeFile(const std::string& path, uint64_t largest, std::string* content);

// True when `path` is a plain file (no symbolic link) of no other name that
// holds exactly `bytes`: a file put in place before that need not be
// written again.  A file with a hard link elsewhere (a kit copied with
// `cp -al`, or a planted link) is to be replaced, never left shared.
bool FileHolds(const std::string& path, const std::string& bytes);

}  // namespace lexidor::fulltext
