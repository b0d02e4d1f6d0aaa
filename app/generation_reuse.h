// A name index file that comes out byte for byte as the one the installed
// generation holds is not written, synced and put in place again: the new
// generation's folder gets a second name of the installed file, and its
// copy of fixed name (Modules/command.js...) stays where it is.  After a
// page changed, every file of the name index but first.js (which names
// the new folder) comes out the same: some 80 MB at 274,000 commands.
//
// The whole-set guarantee stands: the installed file is synced before it
// is linked, the new folder's names are synced before first.js is renamed,
// and no file is ever written through.  Only a plain file of this user's
// whose every name is known is taken: one in the generation first.js names
// (and, for a file of fixed name, that copy in Modules/ as the same file),
// no symbolic link, no hard link shared with another kit or planted by
// anyone.  Any other is written anew, as for a first build.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/new_file.h"

namespace lexidor {

// The generation the installed first.js in `modulesDir` names.
class TPreviousGeneration {
 public:
  explicit TPreviousGeneration(const std::string& modulesDir);
  ~TPreviousGeneration();
  TPreviousGeneration(const TPreviousGeneration&) = delete;
  TPreviousGeneration& operator=(const TPreviousGeneration&) = delete;

  // An open descriptor (the caller's to close) of file `name` of the
  // generation when it may be taken, else -1.  `fixedName`: a file that
  // also stands in Modules/ under its name; `*inPlace` then tells whether
  // that one is this very file (and may be left where it is).
  int Open(const std::string& name, bool fixedName, bool* inPlace) const;

 private:
  int modules_ = -1;
  int folder_ = -1;
};

// Writes a file of the new generation, comparing its bytes with those of
// an installed one as they come: while they match nothing is written, and
// when they match to the end the installed file is linked in its place.
class TMatchedFile {
 public:
  // `file` makes `path`; `previous` is taken (closed here), -1 for none.
  TMatchedFile(TNewFile& file, std::string path, int previous);
  ~TMatchedFile();
  TMatchedFile(const TMatchedFile&) = delete;
  TMatchedFile& operator=(const TMatchedFile&) = delete;

  // Creates the file unless there is one to match.  0, or the errno.
  int Open();
  int Write(std::string_view bytes);
  // Links the installed file when every byte matched, else syncs and
  // closes the one written.  0, or the errno.
  int Finish();
  // Whether the file is the installed one under a second name.
  bool Linked() const { return linked_; }

 private:
  // Gives up matching: creates the file and copies into it the bytes
  // matched so far.
  int Diverge();
  void ClosePrevious();

  TNewFile& file_;
  const std::string path_;
  int previous_;
  uint64_t size_ = 0;     // the installed file's
  uint64_t matched_ = 0;  // its first bytes that the new ones equal
  std::string read_;
  bool linked_ = false;
};

}  // namespace lexidor
