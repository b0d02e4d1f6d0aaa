#include "stream/ram_stream.h"

#include <cstring>

#include "stream/embedded_files.h"

namespace lexidor {

std::shared_ptr<TRamStream> TRamStream::Create(uint8_t* buf, int size, int readable,
                                               int writeable) {
  auto s = std::make_shared<TRamStream>();
  s->_buf = buf;
  s->_size = size;
  s->_read = readable;
  s->_write = writeable;
  return s;
}

int TRamStream::Seek(int pos) {
  if (pos < 0) pos = 0;
  if (pos > _size) pos = _size;
  _pos = pos;
  return _pos;
}

int TRamStream::Read(void* buf, int count) {
  if (count < 1 || !_read) return 0;
  if (count > _size - _pos) count = _size - _pos;
  if (count > 0) std::memcpy(buf, _buf + _pos, static_cast<size_t>(count));
  _pos += count;
  return count;
}

int TRamStream::Write(const void* buf, int count) {
  if (count < 1 || !_write) return 0;
  if (count > _size - _pos) count = _size - _pos;
  if (count > 0) std::memcpy(_buf + _pos, buf, static_cast<size_t>(count));
  _pos += count;
  return count;
}

StreamRef TRamStreamFactory::CreateStream(const ObjectRef&, const String& proto, const String& path,
                                          int readable, int writeable) {
  if (proto != u"incbin" || writeable) return nullptr;
  const EmbeddedFile* file = FindEmbeddedFile(path);
  if (!file || !file->data) return nullptr;
  // Embedded bytes are never written: the stream is opened read-only.
  return TRamStream::Create(const_cast<uint8_t*>(file->data), file->size, readable, 0);
}

void InitRamStreamModule() {
  static bool done = false;
  if (done) return;
  done = true;
  new TRamStreamFactory();  // lives in the factory chain for the process
}

}  // namespace lexidor
