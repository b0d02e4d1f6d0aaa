#include "stream/stream.h"

#include <cstring>

namespace lexidor {

// ---- TIO ------------------------------------------------------------------

int TIO::Eof() { return Pos() == Size() ? 1 : 0; }
int TIO::Pos() { return -1; }
int TIO::Size() { return 0; }
int TIO::Seek(int) { return -1; }
int TIO::Flush() { return 0; }
int TIO::Close() { return 0; }
int TIO::Read(void*, int) { throw TRuntimeException(u"Stream is not readable"); }
int TIO::Write(const void*, int) { throw TRuntimeException(u"Stream is not writeable"); }

// ---- TStream --------------------------------------------------------------

int TStream::ReadBytes(void* buf, int count) {
  auto* p = static_cast<uint8_t*>(buf);
  int remaining = count;
  while (remaining > 0 && !Eof()) {
    int n = Read(p, remaining);
    if (n == 0) throw TStreamReadException();
    p += n;
    remaining -= n;
  }
  return count;
}

int TStream::WriteBytes(const void* buf, int count) {
  auto* p = static_cast<const uint8_t*>(buf);
  int remaining = count;
  while (remaining > 0) {
    int n = Write(p, remaining);
    if (n == 0) throw TStreamWriteException();
    p += n;
    remaining -= n;
  }
  return count;
}

int TStream::SkipBytes(int count) {
  uint8_t scratch[1024];
  int remaining = count;
  while (remaining > 0 && !Eof()) {
    int n = Read(scratch, remaining < 1024 ? remaining : 1024);
    if (n == 0) throw TStreamReadException();
    remaining -= n;
  }
  return count;
}

namespace {
// Little-endian values, independent of the host's byte order.
template <typename T>
T ReadLittleEndian(TStream& s) {
  uint8_t bytes[sizeof(T)] = {};
  s.ReadBytes(bytes, sizeof(T));
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  T out;
  if constexpr (sizeof(T) == 8) {
    std::memcpy(&out, &v, 8);
  } else {
    auto narrow = static_cast<uint32_t>(v);
    if constexpr (sizeof(T) == 4) {
      std::memcpy(&out, &narrow, 4);
    } else {
      out = static_cast<T>(narrow);
    }
  }
  return out;
}

void WriteLittleEndian(TStream& s, uint64_t v, int size) {
  uint8_t bytes[8];
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
  s.WriteBytes(bytes, size);
}
}  // namespace

int TStream::ReadByte() { return ReadLittleEndian<uint8_t>(*this); }
int TStream::WriteByte(int value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 1);
  return 0;
}
int TStream::ReadShort() { return ReadLittleEndian<uint16_t>(*this); }
int TStream::WriteShort(int value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 2);
  return 0;
}
int32_t TStream::ReadInt() { return ReadLittleEndian<int32_t>(*this); }
int TStream::WriteInt(int32_t value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 4);
  return 0;
}
int64_t TStream::ReadLong() { return ReadLittleEndian<int64_t>(*this); }
int TStream::WriteLong(int64_t value) {
  WriteLittleEndian(*this, static_cast<uint64_t>(value), 8);
  return 0;
}
float TStream::ReadFloat() { return ReadLittleEndian<float>(*this); }
int TStream::WriteFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  WriteLittleEndian(*this, bits, 4);
  return 0;
}
double TStream::ReadDouble() { return ReadLittleEndian<double>(*this); }
int TStream::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  WriteLittleEndian(*this, bits, 8);
  return 0;
}

String TStream::ReadLine() {
  String line;
  uint8_t byte;
  while (Read(&byte, 1) == 1) {
    if (byte == 0 || byte == 10) break;
    if (byte != 13) line.push_back(byte);
  }
  return line;
}

void TStream::ReadLineBytes(std::string& out) { out = ToLatin1(ReadLine()); }

int TStream::WriteLine(const String& text) {
  std::string bytes = ToLatin1(text);
  const int length = static_cast<int>(bytes.size());
  if (Write(bytes.data(), length) < length) return 0;
  static const uint8_t kCrLf[2] = {13, 10};
  return Write(kCrLf, 2) == 2 ? 1 : 0;
}

String TStream::ReadString(int length) {
  if (length <= 0) return String();
  std::string bytes(static_cast<size_t>(length), '\0');
  ReadBytes(bytes.data(), length);
  return FromLatin1(bytes);
}

int TStream::WriteString(const String& text) {
  std::string bytes = ToLatin1(text);
  WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
  return 0;
}

ObjectRef TStream::ReadObject() { throw TThrownText(u"Unable to read object"); }
int TStream::WriteObject(const ObjectRef&) { throw TThrownText(u"Unable to write object"); }

// ---- TStreamWrapper -------------------------------------------------------

TStream& TStreamWrapper::Inner() {
  if (!_stream) throw TRuntimeException(u"Stream is not open");
  return *_stream;
}

int TStreamWrapper::Eof() { return Inner().Eof(); }
int TStreamWrapper::Pos() { return Inner().Pos(); }
int TStreamWrapper::Size() { return Inner().Size(); }
int TStreamWrapper::Seek(int pos) { return Inner().Seek(pos); }
int TStreamWrapper::Flush() { return Inner().Flush(); }
int TStreamWrapper::Close() { return _stream ? _stream->Close() : 0; }
int TStreamWrapper::Read(void* buf, int count) { return Inner().Read(buf, count); }
int TStreamWrapper::Write(const void* buf, int count) { return Inner().Write(buf, count); }
int TStreamWrapper::ReadByte() { return Inner().ReadByte(); }
int TStreamWrapper::WriteByte(int value) { return Inner().WriteByte(value); }
int TStreamWrapper::ReadShort() { return Inner().ReadShort(); }
int TStreamWrapper::WriteShort(int value) { return Inner().WriteShort(value); }
int32_t TStreamWrapper::ReadInt() { return Inner().ReadInt(); }
int TStreamWrapper::WriteInt(int32_t value) { return Inner().WriteInt(value); }
float TStreamWrapper::ReadFloat() { return Inner().ReadFloat(); }
int TStreamWrapper::WriteFloat(float value) { return Inner().WriteFloat(value); }
double TStreamWrapper::ReadDouble() { return Inner().ReadDouble(); }
int TStreamWrapper::WriteDouble(double value) { return Inner().WriteDouble(value); }
String TStreamWrapper::ReadLine() { return Inner().ReadLine(); }
int TStreamWrapper::WriteLine(const String& text) { return Inner().WriteLine(text); }
String TStreamWrapper::ReadString(int length) { return Inner().ReadString(length); }
int TStreamWrapper::WriteString(const String& text) { return Inner().WriteString(text); }
ObjectRef TStreamWrapper::ReadObject() { return Inner().ReadObject(); }
int TStreamWrapper::WriteObject(const ObjectRef& object) { return Inner().WriteObject(object); }

void TStreamWrapper::SetStream(StreamRef stream) { _stream = std::move(stream); }

TStreamWrapper::~TStreamWrapper() {
  // Releasing a wrapper closes what it wraps, like releasing any stream.
  try {
    if (_stream) _stream->Close();
  } catch (...) {
  }
}

// ---- TStreamStream --------------------------------------------------------

std::shared_ptr<TStreamStream> TStreamStream::Create(StreamRef stream) {
  auto s = std::make_shared<TStreamStream>();
  s->SetStream(std::move(stream));
  return s;
}

int TStreamStream::Close() {
  SetStream(nullptr);
  return 0;
}

TStreamStream::~TStreamStream() { Close(); }

}  // namespace lexidor
