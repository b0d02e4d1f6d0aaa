// A readable, writeable, seekable stream over a growable block of memory
// that it owns.  OpenFileStream reads streams that cannot tell their
// position into one of these.
#pragma once

#include <vector>

#include "stream/stream.h"

namespace lexidor {

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : _buf(std::move(bytes)) {}

  int Pos() override { return _pos; }
  int Size() override { return static_cast<int>(_buf.size()); }
  // Clamped to 0..Size().
  int Seek(int pos) override;
  int Read(void* buf, int count) override;
  // Writing past the end grows the block.
  int Write(const void* buf, int count) override;

  const std::vector<uint8_t>& Bytes() const { return _buf; }

 private:
  std::vector<uint8_t> _buf;
  int _pos = 0;
};

}  // namespace lexidor
