// Text streams: a byte stream read and written as characters in one of four
// encodings, and the factory behind the "latin1::", "utf8::", "utf16be::" and
// "utf16le::" url protocols.
//
// Characters are UTF-16 code units.  UTF-8 encodes each unit on its own (a
// surrogate pair becomes two three-byte sequences) and decodes at most three
// bytes per character.  Lines written through a text stream end in CR LF;
// lines read drop every CR and end at LF, NUL or the end of the data.
//
// Typed values (ReadInt, WriteDouble, ...) travel as lines of text.  Binary
// data (Read, Write and so ReadBytes, WriteBytes, SkipBytes) travels as
// upper-case hexadecimal digits, 32 bytes (64 digits) to a line, as raw bytes
// whatever the encoding.  Every text operation first ends an unfinished
// hexadecimal line: a write adds CR LF, a read consumes the terminator and
// throws TThrownText "Malformed line terminator" when it is not LF or CR LF.
#pragma once

#include <memory>

#include "stream/stream.h"

namespace lexidor {

class TTextStream : public TStreamWrapper {
 public:
  enum { LATIN1 = 1, UTF8 = 2, UTF16BE = 3, UTF16LE = 4 };

  // A text stream over `stream` (shared; closing or releasing the text
  // stream closes it).  No byte-order mark is read or written.  Any other
  // encoding value reads one byte as character 0 and writes nothing.
  static std::shared_ptr<TTextStream> Create(StreamRef stream, int encoding);

  // Binary data as hexadecimal text.  Write always takes all `count` bytes.
  // Read stops early only at the end of the underlying stream, and throws
  // TThrownText "Malformed hexadecimal digit" for anything but 0-9 and A-F.
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;

  // One line of text each, converted by the integer rule of StringToInt /
  // StringToLong ("$" hex, "%" binary) without narrowing, or StringToDouble.
  // The writes write the decimal text as a line and return 0.
  int ReadByte() override;
  int WriteByte(int value) override;
  int ReadShort() override;
  int WriteShort(int value) override;
  int32_t ReadInt() override;
  int WriteInt(int32_t value) override;
  int64_t ReadLong() override;
  int WriteLong(int64_t value) override;
  float ReadFloat() override;
  int WriteFloat(float value) override;
  double ReadDouble() override;
  int WriteDouble(double value) override;

  // Characters up to LF or NUL (consumed, not returned), CR dropped; at the
  // end of the stream, what was read so far.
  String ReadLine() override;
  // The text, then CR LF, encoded.  Returns 1; a failed write throws
  // TStreamWriteException instead of returning.
  int WriteLine(const String& text) override;
  // Exactly `count` characters (past the end they read as 0 or partial).
  String ReadString(int count) override;
  // Every code unit, no terminator.  Returns 0.
  int WriteString(const String& text) override;

  // Every character up to the end of the stream, nothing dropped.
  String ReadFile();
  // One character; at the end of the stream the missing bytes count as 0.
  int ReadChar();
  void WriteChar(int ch);

  // One raw byte of the underlying stream (0 at its end).
  int _ReadByte();
  void _WriteByte(int byte);
  // End an unfinished hexadecimal line (see above).
  void _FlushRead();
  void _FlushWrite();

  int32_t _encoding = LATIN1;
  // Bytes of binary data in the current hexadecimal line, 0 to 32.
  int32_t _bufcount = 0;
};

// The protocol factory for the four encodings.  The path after "::" is
// opened with OpenUrlStream (it may carry a protocol of its own); nullptr for
// any other protocol or when the path does not open.
class TTextStreamFactory : public TStreamFactory {
 public:
  StreamRef CreateStream(const ObjectRef& url, const String& proto, const String& path,
                         int readable, int writeable) override;
};

// Links the one TTextStreamFactory into the factory chain.  Idempotent; the
// factory lives until the process ends.
void InitTextStreamModule();

}  // namespace lexidor
