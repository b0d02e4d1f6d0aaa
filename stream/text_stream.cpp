#include "stream/text_stream.h"

namespace lexidor {

namespace {

const int kHexLineBytes = 32;

int HexDigitValue(int digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  throw TThrownText(u"Malformed hexadecimal digit");
}

char HexDigit(int value) { return "0123456789ABCDEF"[value & 15]; }

}  // namespace

std::shared_ptr<TTextStream> TTextStream::Create(StreamRef stream, int encoding) {
  auto text = std::make_shared<TTextStream>();
  text->_encoding = encoding;
  text->_bufcount = 0;
  text->SetStream(std::move(stream));
  return text;
}

// ---- raw bytes and hexadecimal lines ---------------------------------------

int TTextStream::_ReadByte() { return Inner().ReadByte(); }

void TTextStream::_WriteByte(int byte) { Inner().WriteByte(byte & 255); }

void TTextStream::_FlushRead() {
  if (_bufcount == 0) return;
  int byte = _ReadByte();
  if (byte == 13) byte = _ReadByte();
  if (byte != 10) throw TThrownText(u"Malformed line terminator");
  _bufcount = 0;
}

void TTextStream::_FlushWrite() {
  if (_bufcount == 0) return;
  _WriteByte(13);
  _WriteByte(10);
  _bufcount = 0;
}

int TTextStream::Read(void* buf, int count) {
  auto* out = static_cast<uint8_t*>(buf);
  int done = 0;
  // Stop at the end of the data rather than decode missing digits as bytes;
  // the caller learns of the short read from the count.
  while (done < count && !Eof()) {
    if (_bufcount == kHexLineBytes) {
      _FlushRead();
      if (Eof()) break;
    }
    int high = HexDigitValue(_ReadByte());
    int low = HexDigitValue(_ReadByte());
    out[done++] = static_cast<uint8_t>(high * 16 + low);
    ++_bufcount;
  }
  return done;
}

int TTextStream::Write(const void* buf, int count) {
  const auto* in = static_cast<const uint8_t*>(buf);
  for (int i = 0; i < count; ++i) {
    _WriteByte(HexDigit(in[i] >> 4));
    _WriteByte(HexDigit(in[i]));
    if (++_bufcount == kHexLineBytes) _FlushWrite();
  }
  return count;
}

// ---- characters -------------------------------------------------------------

int TTextStream::ReadChar() {
  switch (_encoding) {
    case LATIN1:
      return _ReadByte();
    case UTF8: {
      int c = _ReadByte();
      if (c < 128) return c;
      int b = _ReadByte();
      if (c < 224) return (c - 192) * 64 + (b - 128);
      int d = _ReadByte();
      if (c < 240) return (c - 224) * 4096 + (b - 128) * 64 + (d - 128);
      return 0;  // beyond 16 bits: the lead and two more bytes are used up
    }
    case UTF16BE: {
      int high = _ReadByte();
      return high * 256 + _ReadByte();
    }
    case UTF16LE: {
      int low = _ReadByte();
      return low + _ReadByte() * 256;
    }
    default:
      _ReadByte();
      return 0;
  }
}

void TTextStream::WriteChar(int ch) {
  switch (_encoding) {
    case LATIN1:
      _WriteByte(ch);
      break;
    case UTF8:
      if (ch < 128) {
        _WriteByte(ch);
      } else if (ch < 2048) {
        _WriteByte(ch / 64 | 0xC0);
        _WriteByte(ch % 64 | 0x80);
      } else {
        _WriteByte(ch / 4096 | 0xE0);
        _WriteByte(ch / 64 % 64 | 0x80);
        _WriteByte(ch % 64 | 0x80);
      }
      break;
    case UTF16BE:
      _WriteByte(ch >> 8);
      _WriteByte(ch);
      break;
    case UTF16LE:
      _WriteByte(ch);
      _WriteByte(ch >> 8);
      break;
    default:
      break;
  }
}

String TTextStream::ReadLine() {
  _FlushRead();
  String line;
  while (!Eof()) {
    int c = ReadChar();
    if (c == 0 || c == 10) break;
    if (c == 13) continue;
    if (line.size() == line.capacity()) line.reserve(line.size() + 1024);
    line.push_back(static_cast<char16_t>(c));
  }
  return line;
}

String TTextStream::ReadFile() {
  _FlushRead();
  String text;
  while (!Eof()) text.push_back(static_cast<char16_t>(ReadChar()));
  return text;
}

int TTextStream::WriteLine(const String& text) {
  _FlushWrite();
  WriteString(text);
  WriteString(u"\r\n");
  return 1;
}

String TTextStream::ReadString(int count) {
  _FlushRead();
  String text;
  if (count > 0) text.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(ReadChar()));
  return text;
}

int TTextStream::WriteString(const String& text) {
  _FlushWrite();
  for (char16_t unit : text) WriteChar(unit);
  return 0;
}

// ---- typed values as lines --------------------------------------------------

int TTextStream::ReadByte() {
  _FlushRead();
  return StringToInt(ReadLine());
}

int TTextStream::ReadShort() {
  _FlushRead();
  return StringToInt(ReadLine());
}

int32_t TTextStream::ReadInt() {
  _FlushRead();
  return StringToInt(ReadLine());
}

int64_t TTextStream::ReadLong() {
  _FlushRead();
  return StringToLong(ReadLine());
}

float TTextStream::ReadFloat() {
  _FlushRead();
  return static_cast<float>(StringToDouble(ReadLine()));
}

double TTextStream::ReadDouble() {
  _FlushRead();
  return StringToDouble(ReadLine());
}

int TTextStream::WriteByte(int value) {
  _FlushWrite();
  WriteLine(IntToString(value));
  return 0;
}

int TTextStream::WriteShort(int value) {
  _FlushWrite();
  WriteLine(IntToString(value));
  return 0;
}

int TTextStream::WriteInt(int32_t value) {
  _FlushWrite();
  WriteLine(IntToString(value));
  return 0;
}

int TTextStream::WriteLong(int64_t value) {
  _FlushWrite();
  WriteLine(IntToString(value));
  return 0;
}

int TTextStream::WriteFloat(float value) {
  _FlushWrite();
  WriteLine(DoubleToString(value));
  return 0;
}

int TTextStream::WriteDouble(double value) {
  _FlushWrite();
  WriteLine(DoubleToString(value));
  return 0;
}

// ---- the protocol factory ---------------------------------------------------

StreamRef TTextStreamFactory::CreateStream(const ObjectRef&, const String& proto,
                                           const String& path, int readable, int writeable) {
  int encoding;
  if (proto == u"latin1") {
    encoding = TTextStream::LATIN1;
  } else if (proto == u"utf8") {
    encoding = TTextStream::UTF8;
  } else if (proto == u"utf16be") {
    encoding = TTextStream::UTF16BE;
  } else if (proto == u"utf16le") {
    encoding = TTextStream::UTF16LE;
  } else {
    return nullptr;
  }
  StreamRef inner = OpenUrlStream(path, readable, writeable);
  if (!inner) return nullptr;
  return TTextStream::Create(std::move(inner), encoding);
}

void InitTextStreamModule() {
  static bool done = false;
  if (done) return;
  done = true;
  new TTextStreamFactory();  // linked into the chain, kept for the process
}

}  // namespace lexidor
