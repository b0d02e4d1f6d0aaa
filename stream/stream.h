// The byte-stream hierarchy every file, page, pipe and standard output goes
// through, and the opening of urls.
//
// A url is a file path ("\" turns into "/" on opening), a protocol name +
// "::" + a path ("utf8::notes.txt", "incbin::resources\index.html"), or an
// already open stream.  The open functions return nullptr when a url cannot
// be opened; callers test for it.
//
// Positions and sizes are 32-bit in this interface; a file stream keeps
// them in 64 bits and gives at most INT32_MAX here.  Read and Write transfer
// up to `count` bytes and return how many they moved (0: no progress); they
// never raise for a short transfer.  The typed operations raise TStreamReadException /
// TStreamWriteException when the underlying transfer makes no progress.
// Streams are shared (StreamRef); releasing the last reference closes the
// stream, because each concrete stream's destructor calls its own Close().
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/object.h"

namespace lexidor {

class TIO : public TObject {
 public:
  // 1 when Pos() equals Size().
  virtual int Eof();
  // -1: this stream cannot tell its position.
  virtual int Pos();
  virtual int Size();
  // Moves to `pos` and returns the new position; -1 when not seekable.
  virtual int Seek(int pos);
  virtual int Flush();
  virtual int Close();
  // The defaults raise TRuntimeException "Stream is not readable" /
  // "Stream is not writeable".
  virtual int Read(void* buf, int count);
  virtual int Write(const void* buf, int count);
};

class TStream : public TIO {
 public:
  // Reads until `count` bytes arrived or the stream is at its end; returns
  // `count` even when it stopped early (the rest of `buf` is untouched).
  virtual int ReadBytes(void* buf, int count);
  virtual int WriteBytes(const void* buf, int count);
  virtual int SkipBytes(int count);

  // Little-endian typed values.  At end of stream the missing bytes read as
  // 0.  ReadByte gives 0-255, ReadShort 0-65535.  The writes return 0.
  virtual int ReadByte();
  virtual int WriteByte(int value);
  virtual int ReadShort();
  virtual int WriteShort(int value);
  virtual int32_t ReadInt();
  virtual int WriteInt(int32_t value);
  virtual int64_t ReadLong();
  virtual int WriteLong(int64_t value);
  virtual float ReadFloat();
  virtual int WriteFloat(float value);
  virtual double ReadDouble();
  virtual int WriteDouble(double value);

  // One line: CR dropped anywhere, LF or NUL ends it (and is consumed), the
  // end of data ends it; one character per byte.  At end of data with
  // nothing read, the empty string (tell an empty last line by Eof()).
  virtual String ReadLine();
  // The low 8 bits of each unit, then CR LF.  1 when all went out, 0 after a
  // short write; never raises for one.
  virtual int WriteLine(const String& text);
  // ReadLine's line as bytes (the low 8 bits of each character), into
  // `out`.  File streams read it as bytes directly, sparing the two
  // conversions.
  virtual void ReadLineBytes(std::string& out);
  // Exactly `length` characters, one per byte (zeros past the end).
  virtual String ReadString(int length);
  // The low 8 bits of each unit, no terminator.  Returns 0.
  virtual int WriteString(const String& text);
  // Plain streams carry no objects: these throw TThrownText "Unable to read
  // object" / "Unable to write object".
  virtual ObjectRef ReadObject();
  virtual int WriteObject(const ObjectRef& object);
};

using StreamRef = std::shared_ptr<TStream>;

// Forwards everything but ReadBytes, WriteBytes, SkipBytes, ReadLong and
// WriteLong to `_stream` (those run the TStream versions over the forwarded
// Read, Write and Eof).  Forwarding to an unset `_stream` raises
// TRuntimeException.
class TStreamWrapper : public TStream {
 public:
  int Eof() override;
  int Pos() override;
  int Size() override;
  int Seek(int pos) override;
  int Flush() override;
  int Close() override;
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;
  int ReadByte() override;
  int WriteByte(int value) override;
  int ReadShort() override;
  int WriteShort(int value) override;
  int32_t ReadInt() override;
  int WriteInt(int32_t value) override;
  float ReadFloat() override;
  int WriteFloat(float value) override;
  double ReadDouble() override;
  int WriteDouble(double value) override;
  String ReadLine() override;
  int WriteLine(const String& text) override;
  String ReadString(int length) override;
  int WriteString(const String& text) override;
  ObjectRef ReadObject() override;
  int WriteObject(const ObjectRef& object) override;

  // Replaces `_stream`, releasing the previous reference.
  virtual void SetStream(StreamRef stream);
  // Closes the wrapped stream (TStreamStream detaches instead).
  ~TStreamWrapper() override;

  StreamRef _stream;

 protected:
  TStream& Inner();
};

// The handle given out when an open stream is passed to the open functions.
// Closing it only detaches it; the passed stream stays open.
class TStreamStream : public TStreamWrapper {
 public:
  static std::shared_ptr<TStreamStream> Create(StreamRef stream);
  int Close() override;
  ~TStreamStream() override;
};

// A stream over a C stdio file.  No buffering of its own: stdio buffers.
class TCStream : public TStream {
 public:
  enum { MODE_READ = 1, MODE_WRITE = 2 };

  // readable+writeable: "r+b" (must exist, never truncated); writeable only:
  // "wb" (create or truncate); otherwise "rb".  Backslashes become slashes.
  // A failed read-only open retries with ResolvePathCase.  The descriptor is
  // close-on-exec.  nullptr on failure.
  static std::shared_ptr<TCStream> OpenFile(const String& path, int readable, int writeable);
  // Opens `path` (bytes, used as they stand) for reading only when it is
  // a regular file, with the same case fallback as OpenFile.  Anything else
  // (a FIFO, a device, a directory) is refused without being read and
  // without waiting for a writer.  nullptr on failure, and *why says it:
  // the system's reason, or what kind of file it is (then *notRegular, when
  // given, is set).
  static std::shared_ptr<TCStream> OpenRegularFile(const std::string& path, String* why,
                                                   bool* notRegular = nullptr);
  // Takes ownership of `cstream`.
  static std::shared_ptr<TCStream> CreateWithCStream(FILE* cstream, int mode);

  ~TCStream() override;
  // A read-only stream over a regular file ends at the size the file had
  // when it was opened (or earlier, where it has since become shorter):
  // a file that grows meanwhile gives what was there at the start.
  int Eof() override;
  // At most INT32_MAX; Eof() tells the end of larger files.
  int Pos() override;
  int Size() override;
  int Seek(int pos) override;
  // Flush and Close return 0, or -1 when the C library reported an error
  // (errno tells which): data buffered by stdio may fail to reach the disk
  // only here.  Closing again does nothing and returns 0.
  int Flush() override;
  int Close() override;
  int Read(void* buf, int count) override;
  int Write(const void* buf, int count) override;
  // Same rules as TStream::ReadLine, read straight from the stdio handle.
  String ReadLine() override;
  void ReadLineBytes(std::string& out) override;

  int64_t _pos = 0;
  int64_t _size = 0;
  FILE* _cstream = nullptr;
  int32_t _mode = 0;

 private:
  // ReadLine's scratch space (getdelim's buffer), kept to avoid reallocating.
  char* _line = nullptr;
  size_t _line_capacity = 0;
  // Read-only over a regular file: reads stop at _size, the size when opened.
  bool ReadsSnapshot() const;
  // Only regular files can give back what getdelim read past a NUL; other
  // files (FIFOs, devices) are read byte by byte.
  bool _regular = false;
};

// An existing file or directory whose path equals `path` with ASCII letters
// compared without regard to case; "" when there is none.
String ResolvePathCase(const String& path);

// One link of the protocol factory chain.  Constructing a factory links it
// in at the head; factories are never removed (make them process-wide).
class TStreamFactory {
 public:
  TStreamFactory();
  virtual ~TStreamFactory() = default;
  // nullptr when this factory does not take the url.  The base raises
  // TAbstractMethodException.
  virtual StreamRef CreateStream(const ObjectRef& url, const String& proto, const String& path,
                                 int readable, int writeable);
  TStreamFactory* _succ = nullptr;
};

TStreamFactory* FactoryChain();

// Opening.  The String overloads box the path; the object form accepts a
// boxed string, an open stream, or any object a factory knows.
StreamRef OpenUrlStream(const ObjectRef& url, int readable, int writeable);
StreamRef OpenUrlStream(const String& url, int readable, int writeable);
StreamRef OpenUrlForReading(const String& url);
StreamRef OpenUrlForReading(const ObjectRef& url);
StreamRef OpenUrlForWriting(const String& url);
StreamRef OpenUrlForWriting(const ObjectRef& url);
// Like OpenUrlStream, but a stream that cannot tell its position is read to
// its end into memory and a seekable memory stream is returned instead.
StreamRef OpenFileStream(const String& url, int readable, int writeable);
StreamRef OpenFileStream(const ObjectRef& url, int readable, int writeable);
StreamRef OpenFileForReading(const String& url);
StreamRef OpenFileForWriting(const String& url);
int CloseStreamHandle(const StreamRef& stream);

// Whole-url functions: open, work, close.  Loads raise TStreamReadException
// and saves TStreamWriteException when the url cannot be opened.
std::vector<uint8_t> LoadUrlBytes(const ObjectRef& url);
std::vector<uint8_t> LoadUrlBytes(const String& url);
void SaveUrlBytes(const std::vector<uint8_t>& bytes, const String& url);
String LoadBytesAsString(const ObjectRef& url);
String LoadBytesAsString(const String& url);
void SaveStringAsBytes(const String& text, const String& url);
ObjectRef LoadObjectFromUrl(const String& url);
void SaveObjectToUrl(const ObjectRef& object, const String& url);

// Appends everything from the current position to the end of `source` to
// `data`.  A Read that delivers nothing before the end raises
// TStreamReadException.
void ReadToEnd(TStream& source, std::vector<uint8_t>& data);

void CopyUntilEnd(TStream& source, TStream& target, int buffer_size);
void CopyByteCount(TStream& source, TStream& target, int count, int buffer_size);

// Free-function forms: the method, called on `stream` unchanged.
inline int Eof(TStream& s) { return s.Eof(); }
inline int Pos(TStream& s) { return s.Pos(); }
inline int Size(TStream& s) { return s.Size(); }
inline int Seek(TStream& s, int pos) { return s.Seek(pos); }
inline int Flush(TStream& s) { return s.Flush(); }
inline int Close(TStream& s) { return s.Close(); }
inline int ReadByte(TStream& s) { return s.ReadByte(); }
inline int ReadShort(TStream& s) { return s.ReadShort(); }
inline int32_t ReadInt(TStream& s) { return s.ReadInt(); }
inline int64_t ReadLong(TStream& s) { return s.ReadLong(); }
inline float ReadFloat(TStream& s) { return s.ReadFloat(); }
inline double ReadDouble(TStream& s) { return s.ReadDouble(); }
inline int WriteByte(TStream& s, int v) { return s.WriteByte(v); }
inline int WriteShort(TStream& s, int v) { return s.WriteShort(v); }
inline int WriteInt(TStream& s, int32_t v) { return s.WriteInt(v); }
inline int WriteLong(TStream& s, int64_t v) { return s.WriteLong(v); }
inline int WriteFloat(TStream& s, float v) { return s.WriteFloat(v); }
inline int WriteDouble(TStream& s, double v) { return s.WriteDouble(v); }
inline String ReadString(TStream& s, int length) { return s.ReadString(length); }
inline int WriteString(TStream& s, const String& text) { return s.WriteString(text); }
inline String ReadLine(TStream& s) { return s.ReadLine(); }
inline int WriteLine(TStream& s, const String& text) { return s.WriteLine(text); }

}  // namespace lexidor
