// The factory chain, url opening, whole-url loads and saves, and copying.
#include <algorithm>
#include <vector>

#include "stream/memory_stream.h"
#include "stream/stream.h"

namespace lexidor {

namespace {
TStreamFactory*& ChainHead() {
  static TStreamFactory* head = nullptr;
  return head;
}
}  // namespace

TStreamFactory::TStreamFactory() {
  _succ = ChainHead();
  ChainHead() = this;
}

StreamRef TStreamFactory::CreateStream(const ObjectRef&, const String&, const String&, int, int) {
  throw TAbstractMethodException(u"TStreamFactory.CreateStream");
}

TStreamFactory* FactoryChain() { return ChainHead(); }

StreamRef OpenUrlStream(const ObjectRef& url, int readable, int writeable) {
  if (auto stream = std::dynamic_pointer_cast<TStream>(url)) {
    return TStreamStream::Create(std::move(stream));
  }
  const String* text = StringOf(url);
  String proto, path;
  if (text && !text->empty()) {
    int sep = Find(*text, u"::");
    if (sep < 0) return TCStream::OpenFile(*text, readable, writeable);
    proto = AsciiLower(text->substr(0, sep));
    path = text->substr(sep + 2);
  }
  for (TStreamFactory* f = FactoryChain(); f; f = f->_succ) {
    if (StreamRef s = f->CreateStream(url, proto, path, readable, writeable)) return s;
  }
  return nullptr;
}

StreamRef OpenUrlStream(const String& url, int readable, int writeable) {
  return OpenUrlStream(BoxString(url), readable, writeable);
}

StreamRef OpenUrlForReading(const String& url) { return OpenUrlStream(url, 1, 0); }
StreamRef OpenUrlForReading(const ObjectRef& url) { return OpenUrlStream(url, 1, 0); }
StreamRef OpenUrlForWriting(const String& url) { return OpenUrlStream(url, 0, 1); }
StreamRef OpenUrlForWriting(const ObjectRef& url) { return OpenUrlStream(url, 0, 1); }

StreamRef OpenFileStream(const ObjectRef& url, int readable, int writeable) {
  StreamRef s = OpenUrlStream(url, readable, writeable);
  if (!s || s->Pos() != -1) return s;
  // A stream that cannot tell its position is read whole into memory, so
  // the caller gets a seekable stream that knows its size.
  auto memory = std::make_shared<TMemoryStream>();
  std::vector<uint8_t> chunk(4096);
  while (!s->Eof()) {
    int n = s->Read(chunk.data(), static_cast<int>(chunk.size()));
    if (n == 0) break;  // no more data: a stream that never reports its end
    memory->Write(chunk.data(), n);
  }
  memory->Seek(0);
  return memory;
}

StreamRef OpenFileStream(const String& url, int readable, int writeable) {
  return OpenFileStream(BoxString(url), readable, writeable);
}

StreamRef OpenFileForReading(const String& url) { return OpenFileStream(url, 1, 0); }
StreamRef OpenFileForWriting(const String& url) { return OpenFileStream(url, 0, 1); }

int CloseStreamHandle(const StreamRef& stream) {
  stream->Close();
  return 0;
}

void ReadToEnd(TStream& source, std::vector<uint8_t>& data) {
  size_t count = data.size();
  if (data.size() < count + 1024) data.resize(count + 1024);
  while (!source.Eof()) {
    if (count == data.size()) data.resize(count * 3 / 2);
    int room = static_cast<int>(std::min<size_t>(data.size() - count, 0x7fffffff));
    int n = source.Read(data.data() + count, room);
    // A stream that stops delivering before its end is a read error, not a
    // reason to spin.
    if (n == 0) throw TStreamReadException();
    count += static_cast<size_t>(n);
  }
  data.resize(count);
}

std::vector<uint8_t> LoadUrlBytes(const ObjectRef& url) {
  StreamRef s = OpenUrlForReading(url);
  if (!s) throw TStreamReadException();
  std::vector<uint8_t> bytes;
  ReadToEnd(*s, bytes);
  s->Close();
  return bytes;
}

std::vector<uint8_t> LoadUrlBytes(const String& url) { return LoadUrlBytes(BoxString(url)); }

void SaveUrlBytes(const std::vector<uint8_t>& bytes, const String& url) {
  StreamRef s = OpenUrlForWriting(url);
  if (!s) throw TStreamWriteException();
  s->WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
  // Buffered data that cannot reach the file fails here, not in WriteBytes.
  if (s->Close() != 0) throw TStreamWriteException();
}

String LoadBytesAsString(const ObjectRef& url) {
  std::vector<uint8_t> bytes = LoadUrlBytes(url);
  return FromLatin1(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

String LoadBytesAsString(const String& url) { return LoadBytesAsString(BoxString(url)); }

void SaveStringAsBytes(const String& text, const String& url) {
  StreamRef s = OpenUrlForWriting(url);
  if (!s) throw TStreamWriteException();
  std::string bytes = ToLatin1(text);
  s->WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
  if (s->Close() != 0) throw TStreamWriteException();
}

ObjectRef LoadObjectFromUrl(const String& url) {
  StreamRef s = OpenUrlForReading(url);
  if (!s) throw TStreamReadException();
  ObjectRef object = s->ReadObject();
  s->Close();
  return object;
}

void SaveObjectToUrl(const ObjectRef& object, const String& url) {
  StreamRef s = OpenUrlForWriting(url);
  if (!s) throw TStreamWriteException();
  s->WriteObject(object);
  s->Close();
}

void CopyUntilEnd(TStream& source, TStream& target, int buffer_size) {
  std::vector<uint8_t> buf(static_cast<size_t>(buffer_size > 0 ? buffer_size : 4096));
  while (!source.Eof()) {
    int n = source.Read(buf.data(), static_cast<int>(buf.size()));
    if (n == 0) throw TStreamReadException();  // stalled before its end
    target.WriteBytes(buf.data(), n);
  }
}

void CopyByteCount(TStream& source, TStream& target, int count, int buffer_size) {
  std::vector<uint8_t> buf(static_cast<size_t>(buffer_size > 0 ? buffer_size : 4096));
  // Writes only the bytes actually read: a source that ends before `count`
  // ends the copy there.
  while (count > 0 && !source.Eof()) {
    int n = count < static_cast<int>(buf.size()) ? count : static_cast<int>(buf.size());
    int got = source.Read(buf.data(), n);
    if (got == 0) throw TStreamReadException();  // stalled before its end
    target.WriteBytes(buf.data(), got);
    count -= got;
  }
}

}  // namespace lexidor
