// A stream over the raw descriptors of a pipe pair: what the parent reads
// from a child's output and writes to its input.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "stream/stream.h"

namespace lexidor {

class TPipeStream : public TStream {
 public:
  static constexpr int READ_BUFFER_SIZE = 4096;

  // What NextLine took out of the line buffer.
  enum LineKind {
    LINE_NONE,      // no complete line is held yet; the line is ""
    LINE_COMPLETE,  // a line ended by LF (the line may be empty)
    LINE_PIECE,     // a full buffer without LF, handed out; the line goes on
  };

  // A stream reading `readhandle` and writing `writehandle`, taking
  // ownership of both; 0 means none.  The buffer starts empty.
  static std::shared_ptr<TPipeStream> Create(int readhandle, int writehandle);

  TPipeStream(int readhandle, int writehandle);
  // Closes both descriptors.
  ~TPipeStream() override;

  // No effect; 0.
  int Flush() override;
  // Closes each descriptor that is not 0 and sets it to 0.  Returns 0.
  int Close() override;
  // Closes only the write descriptor: the reader at the other end sees the
  // end of data.
  void CloseWriteEnd();
  // One blocking read / write of up to `count` bytes (retried when a signal
  // interrupts it).  The count moved; 0 at end of data, on an error and
  // without a descriptor, so the typed reads and writes see "no progress".
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;

  // Never blocks.  Unless the buffer already holds a complete line, reads
  // what is waiting (as much as fits) into the line buffer; then hands out
  // the first line held without its terminator: the bytes before the first
  // LF, less a CR just before it and a CR at the very start of the line, one
  // character per byte; a CR elsewhere stays.  With no LF held it returns ""
  // and keeps the bytes, except that a full buffer (4096 bytes with no LF) is
  // handed out as a piece of a longer line and the next call continues that
  // line.  An empty line and "no line yet" both give ""; `bufferpos` or
  // NextLine tells them apart.
  String ReadLine() override;
  // ReadLine that also says what it took.
  LineKind NextLine(String& line);
  // The two halves of NextLine.  Fill reads what is waiting, at most `limit`
  // bytes and as much as the buffer has room for, and returns the count read
  // (0 when nothing is waiting).  TakeLine hands out the first line held (or
  // a piece of a full buffer) without reading.
  int Fill(int limit);
  LineKind TakeLine(String& line);
  // The bytes still held, as a last line without its terminator (the same
  // CR rules as a line ended by LF); empties the buffer.  "" when nothing is
  // held.
  String TakeRemainder();

  // Bytes that can be read now without blocking; 0 when none, without a
  // read descriptor, or when the query fails (a closed descriptor).
  int ReadAvail();
  // Whatever is waiting, read past the line buffer in one Read; empty when
  // nothing is.
  std::vector<uint8_t> ReadPipe();

  // Bytes held at the start of `readbuffer` (0 to 4096).
  int32_t bufferpos = 0;
  int32_t readhandle = 0;
  int32_t writehandle = 0;
  std::vector<uint8_t> readbuffer;

 private:
  String LineOf(int start, int end) const;
  // True after a piece was handed out: the buffer then holds the middle of a
  // line, whose first byte is not a line start.
  bool continuing_ = false;
};

using PipeStreamRef = std::shared_ptr<TPipeStream>;

}  // namespace lexidor
