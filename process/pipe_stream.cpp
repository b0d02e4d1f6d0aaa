#include "process/pipe_stream.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lexidor {

std::shared_ptr<TPipeStream> TPipeStream::Create(int readhandle, int writehandle) {
  return std::make_shared<TPipeStream>(readhandle, writehandle);
}

TPipeStream::TPipeStream(int readhandle, int writehandle)
    : readhandle(readhandle), writehandle(writehandle), readbuffer(READ_BUFFER_SIZE) {}

TPipeStream::~TPipeStream() { TPipeStream::Close(); }

int TPipeStream::Flush() { return 0; }

int TPipeStream::Close() {
  if (readhandle != 0) {
    close(readhandle);
    readhandle = 0;
  }
  if (writehandle != 0) {
    close(writehandle);
    writehandle = 0;
  }
  return 0;
}

void TPipeStream::CloseWriteEnd() {
  if (writehandle == 0) return;
  close(writehandle);
  writehandle = 0;
}

int TPipeStream::Read(void* buf, int count) {
  if (readhandle == 0 || count <= 0) return 0;
  ssize_t n;
  do {
    n = read(readhandle, buf, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : static_cast<int>(n);
}

int TPipeStream::Write(const void* buf, int count) {
  if (writehandle == 0 || count <= 0) return 0;
  ssize_t n;
  do {
    n = write(writehandle, buf, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : static_cast<int>(n);
}

int TPipeStream::ReadAvail() {
  if (readhandle == 0) return 0;
  int available = 0;
  if (ioctl(readhandle, FIONREAD, &available) != 0 || available < 0) return 0;
  return available;
}

std::vector<uint8_t> TPipeStream::ReadPipe() {
  int available = ReadAvail();
  if (available == 0) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(available));
  bytes.resize(static_cast<size_t>(Read(bytes.data(), available)));
  return bytes;
}

String TPipeStream::LineOf(int start, int end) const {
  String line;
  if (end > start) {
    line.resize(static_cast<size_t>(end - start));
    for (int k = start; k < end; ++k) line[static_cast<size_t>(k - start)] = readbuffer[k];
  }
  return line;
}

int TPipeStream::Fill(int limit) {
  int n = ReadAvail();
  if (n > limit) n = limit;
  if (bufferpos + n > READ_BUFFER_SIZE) n = READ_BUFFER_SIZE - bufferpos;
  if (n <= 0) return 0;
  int got = Read(readbuffer.data() + bufferpos, n);
  bufferpos += got;
  return got;
}

TPipeStream::LineKind TPipeStream::NextLine(String& line) {
  // A line already held goes out without asking the pipe: a child that
  // writes many short lines costs one read per buffer, not two calls per line.
  if (!std::memchr(readbuffer.data(), 10, static_cast<size_t>(bufferpos))) {
    Fill(READ_BUFFER_SIZE);
  }
  return TakeLine(line);
}

TPipeStream::LineKind TPipeStream::TakeLine(String& line) {
  line.clear();
  if (bufferpos == 0) return LINE_NONE;

  uint8_t* data = readbuffer.data();
  const int start = (!continuing_ && data[0] == 13) ? 1 : 0;
  void* found = std::memchr(data, 10, static_cast<size_t>(bufferpos));
  int taken;
  LineKind kind;
  if (found) {
    int i = static_cast<int>(static_cast<uint8_t*>(found) - data);
    int end = (i > 0 && data[i - 1] == 13) ? i - 1 : i;
    line = LineOf(start, end);
    taken = i + 1;
    kind = LINE_COMPLETE;
    continuing_ = false;
  } else if (bufferpos == READ_BUFFER_SIZE) {
    // A line longer than the buffer goes out in pieces.  A CR at the very end
    // stays behind, so that a CR LF pair is never split between two pieces.
    int end = data[bufferpos - 1] == 13 ? bufferpos - 1 : bufferpos;
    line = LineOf(start, end);
    taken = end;
    kind = LINE_PIECE;
    continuing_ = true;
  } else {
    return LINE_NONE;
  }
  bufferpos -= taken;
  std::memmove(data, data + taken, static_cast<size_t>(bufferpos));
  return kind;
}

String TPipeStream::ReadLine() {
  String line;
  NextLine(line);
  return line;
}

String TPipeStream::TakeRemainder() {
  if (bufferpos == 0) return String();
  const uint8_t* data = readbuffer.data();
  int start = (!continuing_ && data[0] == 13) ? 1 : 0;
  int end = data[bufferpos - 1] == 13 ? bufferpos - 1 : bufferpos;
  String line = LineOf(start, end);
  bufferpos = 0;
  continuing_ = false;
  return line;
}

}  // namespace lexidor
