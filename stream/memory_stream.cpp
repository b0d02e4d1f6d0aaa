#include "stream/memory_stream.h"

#include <cstring>

namespace lexidor {

int TMemoryStream::Seek(int pos) {
  if (pos < 0) pos = 0;
  if (pos > Size()) pos = Size();
  _pos = pos;
  return _pos;
}

int TMemoryStream::Read(void* buf, int count) {
  if (count < 1) return 0;
  int available = Size() - _pos;
  if (count > available) count = available;
  if (count > 0) std::memcpy(buf, _buf.data() + _pos, static_cast<size_t>(count));
  _pos += count;
  return count;
}

int TMemoryStream::Write(const void* buf, int count) {
  if (count < 1) return 0;
  if (static_cast<size_t>(_pos) + count > _buf.size()) _buf.resize(_pos + count);
  std::memcpy(_buf.data() + _pos, buf, static_cast<size_t>(count));
  _pos += count;
  return count;
}

}  // namespace lexidor
