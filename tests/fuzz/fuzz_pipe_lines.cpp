// A child's output read line by line: however the bytes arrive, the lines
// are the same.  The first eight bytes seed the chunk sizes (and the read
// limits of Fill); the rest goes through a real pipe three ways: written at
// once and read by NextLine, written in chunks with NextLine drained after
// each, and written in chunks read by Fill with small limits and TakeLine.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "process/pipe_stream.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;

namespace {

// The pipe holds 64 KiB: every way writes before it reads.
constexpr size_t kMaxData = 60000;

struct Event {
  int kind;
  String line;
  bool operator==(const Event& o) const { return kind == o.kind && line == o.line; }
};

class Chunks {
 public:
  explicit Chunks(uint64_t seed) : state_(seed | 1) {}
  size_t Next(size_t max) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    // Mostly small pieces, now and then a large one.
    const size_t bound = (state_ & 7) == 0 ? 8192 : 64;
    return 1 + (state_ >> 8) % (bound < max ? bound : max);
  }

 private:
  uint64_t state_;
};

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    FUZZ_CHECK(n > 0, "pipe write");
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Reads every line; `chunked` writes the bytes in pieces and reads between
// them, `fill` reads through Fill(limit) + TakeLine instead of NextLine.
std::vector<Event> Read(const std::string& bytes, uint64_t seed, bool chunked, bool fill) {
  int fds[2];
  FUZZ_CHECK(pipe2(fds, O_CLOEXEC) == 0, "pipe");
  PipeStreamRef stream = TPipeStream::Create(fds[0], 0);
  Chunks chunks(seed);
  std::vector<Event> events;
  auto drain = [&] {
    for (;;) {
      String line;
      TPipeStream::LineKind kind;
      if (fill) {
        kind = stream->TakeLine(line);
        if (kind == TPipeStream::LINE_NONE) {
          if (stream->Fill(static_cast<int>(chunks.Next(4096))) == 0) return;
          continue;
        }
      } else {
        kind = stream->NextLine(line);
        if (kind == TPipeStream::LINE_NONE) {
          FUZZ_CHECK(line.empty(), "a line with LINE_NONE");
          return;
        }
      }
      events.push_back({kind, line});
    }
  };
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t n = chunked ? chunks.Next(bytes.size() - at) : bytes.size();
    WriteAll(fds[1], bytes.data() + at, n);
    at += n;
    drain();
  }
  close(fds[1]);
  drain();
  FUZZ_CHECK(stream->ReadAvail() == 0, "bytes left in the pipe");
  const bool held = stream->bufferpos > 0;
  const String rest = stream->TakeRemainder();
  if (held) events.push_back({-1, rest});
  return events;
}

// The lines as they should be: LF ends a line, a CR just before it and a CR
// at its start are dropped; pieces and the remainder continue the line.
std::vector<String> Lines(const std::vector<Event>& events) {
  std::vector<String> lines;
  String pending;
  bool open = false;
  for (const Event& e : events) {
    pending += e.line;
    open = true;
    if (e.kind != TPipeStream::LINE_PIECE) {
      lines.push_back(pending);
      pending.clear();
      open = false;
    }
  }
  if (open) lines.push_back(pending);
  return lines;
}

std::vector<String> Expected(const std::string& bytes) {
  std::vector<String> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    const bool complete = end != std::string::npos;
    if (!complete) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line[0] == '\r') line.erase(0, 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(FromLatin1(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t seed = 0;
  const size_t head = size < 8 ? size : 8;
  for (size_t i = 0; i < head; ++i) seed = seed << 8 | data[i];
  const std::string bytes(reinterpret_cast<const char*>(data) + head,
                          size - head < kMaxData ? size - head : kMaxData);

  const std::vector<Event> once = Read(bytes, seed, false, false);
  FUZZ_CHECK(Read(bytes, seed, true, false) == once, "chunked NextLine differs from one read");
  FUZZ_CHECK(Read(bytes, seed, true, true) == once, "Fill/TakeLine differs from one read");
  FUZZ_CHECK(Lines(once) == Expected(bytes), "lines differ from the bytes");
  return 0;
}
