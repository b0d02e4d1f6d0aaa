// Replacing a file without ever leaving a half-written one.
//
// The new content goes to a temporary file beside the file it replaces (an
// unpredictable name, created with O_EXCL|O_NOFOLLOW), which is synced and
// renamed over it only once it is complete; the folder is synced after the
// rename.  Until then the old file stays as it was; on failure the
// temporary file is removed.  A target that is a symbolic link stays one
// and the file it points to is replaced, but only for a link of the user's
// own or of the owner of its folder (link_rule.h); any other link is
// refused.  An existing file the user may not write is not replaced (as
// writing it in place would fail).  Paths are bytes: no "\" or "::" in them
// means anything.
#pragma once

#include <string>
#include <string_view>

#include "app/new_file.h"
#include "runtime/string.h"

namespace lexidor {

class TAtomicFile {
 public:
  explicit TAtomicFile(String target);
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Where no temporary file can be made beside the target (a folder the
  // user may not write) but the target itself may be written, Open writes
  // it in place instead.  For files whose readers accept that (config.txt).
  void AllowWriteInPlace() { inPlaceAllowed_ = true; }

  // Follows the target's links by the rule, checks that it may be written
  // and creates the temporary file.  false, with Error() set, when any
  // step fails.
  bool Open();
  // Open, with the temporary file made as a second name of `existing` (a
  // hard link), or a copy of it where links cannot be made.
  bool OpenAsCopyOf(const std::string& existing);
  // Appends bytes; false, with Error() set, on failure (later writes then
  // do nothing).
  bool Write(std::string_view bytes);
  // Syncs and closes the temporary file; false, with Error() set, when any
  // write failed or the data could not be synced.
  bool Finish();
  // Finish, then renames the temporary file over the target and syncs the
  // folder.
  bool Commit();
  // Renames the finished temporary file over the target, without syncing
  // the folder (a set of files syncs its folders once).  0 or the errno;
  // Error() is set on failure.
  int Rename();
  // Leaves the temporary file on disk when this object goes (for a journal
  // that still names it).
  void KeepTemporary() { temp_.Release(); }
  // Records a failure of this file.
  void Fail(int error_number);

  const String& Target() const { return target_; }
  // The file replaced (the target with trusted links followed) and the
  // temporary file; byte paths.
  const std::string& File() const { return file_; }
  const std::string& TempPath() const { return temp_.Path(); }
  bool WritesInPlace() const { return inPlace_; }
  // "Cannot write <target>: <reason>", or "" while all is well.
  const String& Error() const { return error_; }

 private:
  bool Prepare();

  String target_;
  std::string file_;
  TNewFile temp_;
  String error_;
  bool inPlaceAllowed_ = false;
  bool inPlace_ = false;
  int inPlaceFd_ = -1;
  bool finished_ = false;
};

// `text` written to `target` by way of a temporary file: one byte per
// character, or FF FE and UTF-16LE when a character is above 255.  "" on
// success, else the error line; the old target is then untouched.
String SaveTextFileAtomically(const String& text, const String& target);

// The bytes SaveTextFileAtomically writes for `text`.
std::string TextFileBytes(const String& text);

}  // namespace lexidor
