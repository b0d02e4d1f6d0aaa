#include "stream/standard_io.h"

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

int TCStandardIO::Write(const void* buf, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(std::fwrite(buf, 1, static_cast<size_t>(count), stdout));
}

namespace {
// Held by a pointer that is never deleted, so that output written while the
// process exits (exit handlers) still finds the stream.
std::shared_ptr<TTextStream>* standard_stream = nullptr;
}  // namespace

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

String PromptLine(const String& prompt) {
  TTextStream& io = *StandardStream();
  io.WriteString(prompt);
  io.Flush();
  return io.ReadLine();
}

}  // namespace lexidor
