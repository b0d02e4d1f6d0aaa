#include "stream/text_file.h"

#include <algorithm>
#include <vector>

#include "stream/text_stream.h"

namespace lexidor {

namespace {

// The byte-order mark at the start of `stream`, or 0 when there is none; the
// bytes read that are not a mark are left in `data`.
int ReadByteOrderMark(TStream& stream, std::vector<uint8_t>& data) {
  if (stream.Eof()) return 0;
  int first = stream.ReadByte();
  data.push_back(static_cast<uint8_t>(first));
  if (first != 0xFE && first != 0xFF && first != 0xEF) return 0;
  if (stream.Eof()) return 0;
  int second = stream.ReadByte();
  data.push_back(static_cast<uint8_t>(second));
  if (first == 0xFE && second == 0xFF) return TTextStream::UTF16BE;
  if (first == 0xFF && second == 0xFE) return TTextStream::UTF16LE;
  if (first != 0xEF || second != 0xBB || stream.Eof()) return 0;
  int third = stream.ReadByte();
  data.push_back(static_cast<uint8_t>(third));
  return third == 0xBF ? TTextStream::UTF8 : 0;
}

}  // namespace

String LoadTextFile(const ObjectRef& url) {
  StreamRef stream = OpenUrlForReading(url);
  if (!stream) throw TStreamReadException();
  std::vector<uint8_t> data;
  int encoding = ReadByteOrderMark(*stream, data);
  if (encoding != 0) {
    auto text = TTextStream::Create(stream, encoding);
    String result = text->ReadFile();
    text->Close();
    stream->Close();
    return result;
  }
  ReadToEnd(*stream, data);
  stream->Close();
  return FromLatin1(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

String LoadTextFile(const String& url) { return LoadTextFile(BoxString(url)); }

void SaveTextFile(const String& text, const String& url) {
  bool wide = std::any_of(text.begin(), text.end(), [](char16_t unit) { return unit > 255; });
  if (!wide) {
    SaveStringAsBytes(text, url);
    return;
  }
  StreamRef stream = OpenUrlForWriting(url);
  if (!stream) throw TStreamWriteException();
  stream->WriteByte(0xFF);
  stream->WriteByte(0xFE);
  auto utf16 = TTextStream::Create(stream, TTextStream::UTF16LE);
  utf16->WriteString(text);
  // Buffered data that cannot reach the file fails on close.
  int closed = utf16->Close();
  stream->Close();
  if (closed != 0) throw TStreamWriteException();
}

}  // namespace lexidor
