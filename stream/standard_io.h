// Standard input and output as streams, and the process-wide text stream
// through which progress lines reach standard output.
#pragma once

#include <memory>

#include "stream/stream.h"
#include "stream/text_stream.h"

namespace lexidor {

// Reads standard input and writes standard output through C stdio (which
// keeps its own buffering until Flush).  It cannot tell its position: Pos is
// -1, Size 0, Eof always 0, so reading past the end of standard input throws
// TStreamReadException from the typed and line reads.  Close does nothing.
class TCStandardIO : public TStream {
 public:
  int Flush() override;
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;
};

// Gives each of descriptors 0, 1 and 2 that is closed /dev/null, so that
// files and connections opened later never take their place (a child's
// error output would otherwise go into whatever got descriptor 2).  Call it
// first thing at start-up.
void OpenClosedStandardDescriptors();

// Creates the standard stream.  Idempotent; the stream lives until the
// process ends.
void InitStandardIO();

// The UTF-8 text stream over one TCStandardIO.  Never null: it is created on
// first use if InitStandardIO has not run yet.
const std::shared_ptr<TTextStream>& StandardStream();

// `text` in UTF-8 and CR LF on standard output, flushed.  Text held one
// character per byte whose bytes are UTF-8 (a path, a child's output) is
// written as those bytes (DecodeUtf8Bytes), not as UTF-8 of each byte.
void PrintLine(const String& text);

// Ends the line on standard output when text written through the standard
// stream left it open (it did not end with a line end); otherwise nothing.
void EndOpenLine();

// Writes `prompt` (no line end), flushes, and returns the next line of
// standard input without its CR LF.  Throws TStreamReadException when
// standard input ends before a line end.
String PromptLine(const String& prompt);

}  // namespace lexidor
