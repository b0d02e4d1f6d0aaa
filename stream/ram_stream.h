// A stream over a fixed block of memory that it does not own, and the
// factory that opens embedded files as "incbin::" + name.
#pragma once

#include "stream/stream.h"

namespace lexidor {

class TRamStream : public TStream {
 public:
  // The block must outlive the stream.  Position starts at 0.
  static std::shared_ptr<TRamStream> Create(uint8_t* buf, int size, int readable, int writeable);

  int Pos() override { return _pos; }
  int Size() override { return _size; }
  // Clamped to 0.._size.
  int Seek(int pos) override;
  // 0 when the direction is not allowed or count < 1; never past _size.
  // Writing never grows the block.
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;

  int32_t _pos = 0;
  int32_t _size = 0;
  uint8_t* _buf = nullptr;
  int32_t _read = 0;
  int32_t _write = 0;
};

// Answers exactly the protocol "incbin", for reading only, with a read-only
// TRamStream over the embedded file named by the path.
class TRamStreamFactory : public TStreamFactory {
 public:
  StreamRef CreateStream(const ObjectRef& url, const String& proto, const String& path,
                         int readable, int writeable) override;
};

// Links the one TRamStreamFactory into the factory chain; later calls do
// nothing.
void InitRamStreamModule();

}  // namespace lexidor
