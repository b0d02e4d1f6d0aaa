#include "stream/standard_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace lexidor {

int TCStandardIO::Flush() {
  std::fflush(stdout);
  return 0;
}

int TCStandardIO::Read(void* buf, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(std::fread(buf, 1, static_cast<size_t>(count), stdin));
}

namespace {
// True while the last byte written to standard output through the stream
// was not a line end.
bool line_open = false;
}  // namespace

int TCStandardIO::Write(const void* buf, int count) {
  if (count <= 0) return 0;
  line_open = static_cast<const char*>(buf)[count - 1] != '\n';
  return static_cast<int>(std::fwrite(buf, 1, static_cast<size_t>(count), stdout));
}

namespace {
// Held by a pointer that is never deleted, so that output written while the
// process exits (exit handlers) still finds the stream.
std::shared_ptr<TTextStream>* standard_stream = nullptr;
}  // namespace

void OpenClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() hands out the lowest free descriptor: this one.
    int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

void InitStandardIO() {
  if (standard_stream) return;
  standard_stream = new std::shared_ptr<TTextStream>(
      TTextStream::Create(std::make_shared<TCStandardIO>(), TTextStream::UTF8));
}

const std::shared_ptr<TTextStream>& StandardStream() {
  InitStandardIO();
  return *standard_stream;
}

void PrintLine(const String& text) {
  TTextStream& out = *StandardStream();
  // Paths and a child's output are held one character per byte: when those
  // bytes are UTF-8, the terminal gets them as they are.
  out.WriteLine(DecodeUtf8Bytes(text));
  out.Flush();
}

void EndOpenLine() {
  if (line_open) PrintLine(String());
}

String PromptLine(const String& prompt) {
  TTextStream& io = *StandardStream();
  io.WriteString(prompt);
  io.Flush();
  return io.ReadLine();
}

}  // namespace lexidor
