// Reading a stream's lines as bytes, a large block at a time.
//
// The lines are those of TStream::ReadLine: a line ends at a line feed, at
// a NUL byte or at the end of the data; a separator at the very end starts
// no further, empty line; carriage returns vanish wherever they stand.
// Reading blocks instead of single lines lets a long list be taken apart
// with a few scans of memory instead of a stream call per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "stream/stream.h"

namespace lexidor {

class TLineReader {
 public:
  // Reads `stream` from its current position; the stream must outlive the
  // reader.  A line longer than `block_size` grows the buffer to hold it.
  explicit TLineReader(TStream& stream, size_t block_size = 1 << 20);

  // The next line, without its separator, valid until the next call; false
  // when the data has ended.  A Read that delivers nothing before the
  // stream's end raises TStreamReadException.
  bool Next(std::string_view* line);

 private:
  // Moves the unread bytes to the front and reads more after them; false
  // when the stream has ended.
  bool Fill();
  std::string_view WithoutCarriageReturns(const char* begin, const char* end);

  TStream& stream_;
  size_t block_size_;
  std::vector<char> buffer_;
  size_t start_ = 0;  // first unread byte
  size_t end_ = 0;    // end of the bytes read
  bool ended_ = false;
  // The next line feed at or after start_ when feed_known_ (and feed_ >=
  // start_); otherwise the bytes from start_ up to scanned_ hold none.  Each byte is looked at
  // once for a line feed, so lines cost their length, whatever bytes (NULs)
  // they hold.
  bool feed_known_ = false;
  size_t feed_ = 0;
  size_t scanned_ = 0;
  std::string scratch_;  // a line that held carriage returns, without them
};

}  // namespace lexidor
