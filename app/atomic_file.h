// Replacing a file without ever leaving a half-written one.
//
// The new content goes to a temporary file in the target's directory, which
// is renamed over the target only once it is complete and closed without an
// error.  Until then the old file stays as it was; on failure the temporary
// file is removed.  A target that is a symbolic link stays one: the file it
// points to is replaced.  An existing file the user may not write is not
// replaced (as writing it in place would fail).
#pragma once

#include "stream/stream.h"

namespace lexidor {

class TAtomicFile {
 public:
  explicit TAtomicFile(String target);
  ~TAtomicFile();  // removes the temporary file unless it was committed
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Creates the temporary file.  false, with Error() set, when it cannot
  // or when CheckWritable fails.
  bool Open();
  // false, with Error() set, when the file exists and the user may not
  // write it.  Writers that open TempPath themselves call it first.
  bool CheckWritable();
  // The temporary file's stream; valid between Open and Finish.  Writes
  // raise TStreamWriteException when they make no progress: catch it and
  // call Fail().
  TStream& Stream() { return *stream_; }
  // Closes the temporary file; false, with Error() set, when data could not
  // be written.
  bool Finish();
  // Renames the finished temporary file over the target.
  bool Commit();
  // Records a write failure from errno.
  void Fail();

  const String& Target() const { return target_; }
  // Where the content goes before the rename, for writers that open the file
  // themselves instead of calling Open.
  const String& TempPath() const { return temp_; }
  // "Cannot write <target>: <reason>", or "" while all is well.
  const String& Error() const { return error_; }

 private:
  void SetError(int error_number);

  String target_;
  String file_;  // the target with symbolic links followed
  String temp_;
  StreamRef stream_;
  String error_;
  bool committed_ = false;
};

// SaveTextFile of `text` to `target` by way of a temporary file.  "" on
// success, else the error line; the old target is then untouched.
String SaveTextFileAtomically(const String& text, const String& target);

}  // namespace lexidor
