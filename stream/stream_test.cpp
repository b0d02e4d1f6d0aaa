#include "stream/stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "stream/line_reader.h"
#include "stream/memory_stream.h"

namespace lexidor {
namespace {

// A real temporary directory, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/lexidor-stream-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  String U(const std::string& name) const { return FromLatin1(File(name)); }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A stream that hands out at most `chunk` bytes per Read and Write, and
// refuses (returns 0) once `limit` bytes have moved.
class StingyStream : public TMemoryStream {
 public:
  StingyStream(std::string bytes, int chunk, int limit)
      : TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end())),
        chunk_(chunk),
        limit_(limit) {}
  int Read(void* buf, int count) override { return TMemoryStream::Read(buf, Allow(count)); }
  int Write(const void* buf, int count) override { return TMemoryStream::Write(buf, Allow(count)); }

 private:
  int Allow(int count) {
    int n = std::min({count, chunk_, limit_ - moved_});
    if (n < 0) n = 0;
    moved_ += n;
    return n;
  }
  int chunk_, limit_, moved_ = 0;
};

std::vector<String> AllLines(TStream& s) {
  std::vector<String> lines;
  while (!s.Eof()) lines.push_back(s.ReadLine());
  return lines;
}

// Line reading must agree between the generic byte-wise reader and the
// file stream's fast path.
TEST(ReadLine, DropsCarriageReturnsAndEndsAtLineFeedOrNul) {
  TempDir dir;
  const char raw[] = "x\r\ny\rz\nfirst\0second\n\r\r\nlast";
  const std::string data(raw, sizeof raw - 1);
  WriteFile(dir.File("lines"), data);
  const std::vector<String> expected = {u"x", u"yz", u"first", u"second", u"", u"last"};

  auto file = TCStream::OpenFile(dir.U("lines"), 1, 0);
  ASSERT_TRUE(file);
  EXPECT_EQ(AllLines(*file), expected);
  EXPECT_EQ(file->Eof(), 1);
  EXPECT_EQ(file->Pos(), 27);

  TMemoryStream memory(std::vector<uint8_t>(data.begin(), data.end()));
  EXPECT_EQ(AllLines(memory), expected);
}

TEST(ReadLine, ReadsFifosByTheSameRules) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  std::thread writer([&] { WriteFile(dir.File("fifo"), std::string("a\r\nb\0c\n", 8)); });
  auto s = TCStream::OpenFile(dir.U("fifo"), 1, 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadLine(), u"a");
  EXPECT_EQ(s->ReadLine(), u"b");
  EXPECT_EQ(s->ReadLine(), u"c");
  writer.join();
}

TEST(ReadLine, GivesNoExtraLineAfterAFinalTerminatorAndKeepsLongLines) {
  TempDir dir;
  std::string longline(5000, 'q');
  longline[1023] = 'A';
  longline[1024] = 'B';
  WriteFile(dir.File("f"), "one\n" + longline + "\r\n");
  auto file = TCStream::OpenFile(dir.U("f"), 1, 0);
  std::vector<String> lines = AllLines(*file);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], FromLatin1(longline));
  EXPECT_EQ(file->ReadLine(), u"");  // at the end: empty, no exception
}

std::vector<std::string> ReaderLines(TStream& stream) {
  TLineReader reader(stream, 16);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(&line)) lines.emplace_back(line);
  return lines;
}

// A file that changes while it is read gives what it held when it was
// opened (or up to its new end), and its end is no read error.
TEST(OpenRegularFile, ReadsWhatTheFileHeldAtTheStartWhetherItGrowsOrShrinks) {
  TempDir dir;
  // Lines longer than stdio's buffer, so that the shrunk part is not read
  // ahead when the file is opened.
  const std::string a(20000, 'a'), b(20000, 'b');
  const struct {
    std::string before, after;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\nb\n", "a\nb\nc|grown\n", {"a", "b"}},
      {a + "\n" + b + "\n", a + "\n", {a}},
  };
  for (const auto& c : cases) {
    WriteFile(dir.File("list"), c.before);
    String why;
    auto file = TCStream::OpenRegularFile(dir.File("list"), &why);
    ASSERT_TRUE(file) << ToUtf8(why);
    // The same file, changed in place.
    if (c.after.size() > c.before.size()) {
      std::ofstream(dir.File("list"), std::ios::binary | std::ios::app)
          << c.after.substr(c.before.size());
    } else {
      ASSERT_EQ(truncate(dir.File("list").c_str(), static_cast<off_t>(c.after.size())), 0);
    }
    std::vector<std::string> lines;
    EXPECT_NO_THROW(lines = ReaderLines(*file)) << c.after.size();
    EXPECT_EQ(lines, c.lines) << c.after.size();
    EXPECT_EQ(file->Eof(), 1) << c.after.size();
  }
}

// Only a regular file is opened, and nothing else can block the opening:
// a FIFO without a writer is refused at once.
TEST(OpenRegularFile, RefusesWhatIsNotARegularFileWithoutBlocking) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero").c_str()), 0);
  ASSERT_EQ(mkdir(dir.File("dir").c_str(), 0700), 0);
  WriteFile(dir.File("Plain.txt"), "p\n");
  const struct {
    std::string name;
    const char* why;  // "" when it opens
    bool not_regular;
  } cases[] = {
      {"fifo", "not a regular file (a FIFO)", true},
      {"zero", "not a regular file (a device)", true},
      {"dir", "Is a directory", true},
      {"missing", "No such file or directory", false},
      {"plain.TXT", "", false},  // found in another case, as OpenFile does
  };
  for (const auto& c : cases) {
    String why;
    bool not_regular = !c.not_regular;
    auto file = TCStream::OpenRegularFile(dir.File(c.name), &why, &not_regular);
    EXPECT_EQ(ToUtf8(why), c.why) << c.name;
    EXPECT_EQ(file != nullptr, *c.why == 0) << c.name;
    EXPECT_EQ(not_regular, c.not_regular) << c.name;
  }
}

// Sizes are not cut to 32 bits: a file of exactly 4 GiB (sparse) is not
// taken for an empty one.
TEST(OpenRegularFile, AFileOfFourGibibytesIsNotEmpty) {
  TempDir dir;
  WriteFile(dir.File("big"), "abc\n");
  ASSERT_EQ(truncate(dir.File("big").c_str(), int64_t{1} << 32), 0);
  String why;
  auto file = TCStream::OpenRegularFile(dir.File("big"), &why);
  ASSERT_TRUE(file) << ToUtf8(why);
  EXPECT_EQ(file->Eof(), 0);
  EXPECT_EQ(file->Size(), INT32_MAX);
  EXPECT_EQ(file->ReadLine(), u"abc");
  EXPECT_EQ(file->Eof(), 0);
}

TEST(ReadLine, ReadsHighBytesAsLatin1Characters) {
  TempDir dir;
  WriteFile(dir.File("f"), "caf\xe9\xff");
  auto file = TCStream::OpenFile(dir.U("f"), 1, 0);
  EXPECT_EQ(file->ReadLine(), String(u"caf\u00e9\u00ff"));
}

TEST(WriteLine, WritesLowBytesAndCrLfAndReportsShortWrites) {
  TempDir dir;
  auto out = TCStream::OpenFile(dir.U("out"), 0, 1);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->WriteLine(u"ab"), 1);
  EXPECT_EQ(out->WriteString(u"\u0141"), 0);
  out->Close();
  EXPECT_EQ(ReadFile(dir.File("out")), "ab\r\nA");

  StingyStream full("", 100, 3);
  EXPECT_EQ(full.WriteLine(u"abcd"), 0);  // text cut short
  StingyStream almost("", 100, 5);
  EXPECT_EQ(almost.WriteLine(u"abcd"), 0);  // only half the CR LF fit
  StingyStream exact("", 100, 6);
  EXPECT_EQ(exact.WriteLine(u"abcd"), 1);
}

TEST(TypedValues, RoundTripLittleEndian) {
  TMemoryStream s;
  s.WriteByte(0x1FF);
  s.WriteShort(0x12345);
  s.WriteInt(-2);
  s.WriteLong(0x0102030405060708LL);
  s.WriteFloat(1.5f);
  s.WriteDouble(-0.25);
  const std::vector<uint8_t> head(s.Bytes().begin(), s.Bytes().begin() + 7);
  EXPECT_EQ(head, (std::vector<uint8_t>{0xFF, 0x45, 0x23, 0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(s.Size(), 1 + 2 + 4 + 8 + 4 + 8);
  s.Seek(0);
  EXPECT_EQ(s.ReadByte(), 255);
  EXPECT_EQ(s.ReadShort(), 0x2345);
  EXPECT_EQ(s.ReadInt(), -2);
  EXPECT_EQ(s.ReadLong(), 0x0102030405060708LL);
  EXPECT_EQ(s.ReadFloat(), 1.5f);
  EXPECT_EQ(s.ReadDouble(), -0.25);
}

TEST(TypedValues, ReadAtEndGivesZerosForTheMissingBytes) {
  TMemoryStream s(std::vector<uint8_t>{9, 9, 0x34, 0x12});
  s.Seek(2);
  EXPECT_EQ(s.ReadInt(), 0x1234);
  EXPECT_EQ(s.ReadInt(), 0);
  EXPECT_EQ(s.ReadString(3), String(3, u'\0'));
}

TEST(ReadBytes, RaisesWhenAReadMakesNoProgressBeforeTheEnd) {
  StingyStream s("abcdef", 2, 4);  // delivers abcd in pairs, then stalls
  char buf[6];
  EXPECT_THROW(s.ReadBytes(buf, 6), TStreamReadException);
  StingyStream skip("abcdef", 2, 4);
  EXPECT_THROW(skip.SkipBytes(6), TStreamReadException);
  StingyStream ok("abcdef", 2, 100);
  EXPECT_EQ(ok.ReadBytes(buf, 6), 6);
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  StingyStream writer("", 2, 3);
  EXPECT_THROW(writer.WriteInt(7), TStreamWriteException);
}

TEST(DirectionlessStreams, RaiseRuntimeErrorsAndThrowObjectTexts) {
  TStream bare;
  char c;
  try {
    bare.Read(&c, 1);
    FAIL();
  } catch (const TRuntimeException& e) {
    EXPECT_EQ(e.error, u"Stream is not readable");
  }
  try {
    bare.WriteByte(1);
    FAIL();
  } catch (const TRuntimeException& e) {
    EXPECT_EQ(e.error, u"Stream is not writeable");
  }
  try {
    bare.ReadObject();
    FAIL();
  } catch (const TThrownText& t) {
    EXPECT_EQ(t.text, u"Unable to read object");
  }
  EXPECT_THROW(bare.WriteObject(nullptr), TThrownText);
}

TEST(OpenFile, TurnsBackslashesIntoSlashes) {
  TempDir dir;
  mkdir(dir.File("sub").c_str(), 0755);
  WriteFile(dir.File("sub/page.txt"), "hello");
  String path = ReplaceAll(dir.U("sub/page.txt"), u"/", u"\\");
  auto s = OpenFileForReading(path);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadLine(), u"hello");
}

TEST(OpenFile, RefusesPathsThatHaveNoBytes) {
  TempDir dir;
  mkdir(dir.File("x").c_str(), 0755);
  WriteFile(dir.File("x/z"), "z");
  // U+012F would lose its high bits and become "/".
  EXPECT_FALSE(OpenFileForWriting(dir.U("x") + u"\u012Fy"));
  EXPECT_FALSE(OpenFileForReading(dir.U("x") + String(1, u'\0') + u"z"));
  EXPECT_NE(access(dir.File("x/y").c_str(), F_OK), 0);
}

TEST(OpenFile, FindsAnotherCaseOnlyWhenReading) {
  TempDir dir;
  mkdir(dir.File("docs").c_str(), 0755);
  WriteFile(dir.File("docs/readme.txt"), "lower");
  auto s = OpenFileForReading(dir.U("DOCS/README.TXT"));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadLine(), u"lower");

  EXPECT_FALSE(OpenFileStream(dir.U("docs/README.TXT"), 1, 1));  // r+b: no case fallback
  auto w = OpenFileForWriting(dir.U("docs/README.TXT"));
  ASSERT_TRUE(w);
  w->WriteString(u"upper");
  w->Close();
  EXPECT_EQ(ReadFile(dir.File("docs/README.TXT")), "upper");
  EXPECT_EQ(ReadFile(dir.File("docs/readme.txt")), "lower");
}

TEST(OpenFile, ReadWriteNeitherCreatesNorTruncatesAndFailsOnReadOnlyFiles) {
  TempDir dir;
  EXPECT_FALSE(OpenFileStream(dir.U("missing"), 1, 1));
  EXPECT_NE(access(dir.File("missing").c_str(), F_OK), 0);

  WriteFile(dir.File("data"), "12345");
  auto rw = OpenFileStream(dir.U("data"), 1, 1);
  ASSERT_TRUE(rw);
  EXPECT_EQ(rw->Size(), 5);
  EXPECT_EQ(rw->Seek(3), 3);
  EXPECT_EQ(rw->Pos(), 3);
  rw->WriteString(u"xyz");
  EXPECT_EQ(rw->Size(), 6);
  rw->Close();
  rw->Close();  // harmless
  EXPECT_EQ(ReadFile(dir.File("data")), "123xyz");
}

// Opens `path` read-write and read-only as an unprivileged user (root may
// write any file), in a child process; exits 0 when only reading works.
void OpenAsNobody(const std::string& path) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(2);
  bool read_write = OpenFileStream(FromLatin1(path), 1, 1) != nullptr;
  bool read_only = OpenFileStream(FromLatin1(path), 1, 0) != nullptr;
  std::_Exit(!read_write && read_only ? 0 : 1);
}

TEST(OpenFileDeathTest, ReadWriteFailsOnAReadOnlyFileWithoutFallingBackToReading) {
  TempDir dir;
  chmod(dir.File("").c_str(), 0755);
  WriteFile(dir.File("data"), "12345");
  chmod(dir.File("data").c_str(), 0444);
  EXPECT_EXIT(OpenAsNobody(dir.File("data")), testing::ExitedWithCode(0), "");
}

TEST(OpenFile, CloseReportsDataThatCouldNotBeWritten) {
  auto full = TCStream::OpenFile(u"/dev/full", 0, 1);
  ASSERT_TRUE(full);
  full->WriteString(u"buffered by stdio");  // fits the buffer, fails on flush
  EXPECT_EQ(full->Close(), -1);
  EXPECT_EQ(full->Close(), 0);
}

TEST(OpenFile, DescriptorsAreCloseOnExec) {
  TempDir dir;
  WriteFile(dir.File("f"), "x");
  auto s = TCStream::OpenFile(dir.U("f"), 1, 0);
  int fd = fileno(s->_cstream);
  EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
}

// A factory that answers one protocol with a memory stream holding the path.
class EchoFactory : public TStreamFactory {
 public:
  StreamRef CreateStream(const ObjectRef&, const String& proto, const String& path, int,
                         int) override {
    if (proto != u"echo") return nullptr;
    std::string bytes = ToLatin1(path);
    return std::make_shared<TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
};

TEST(OpenUrlStream, RoutesProtocolsThroughTheFactoryChain) {
  static EchoFactory* echo = new EchoFactory();  // factories live for the process
  EXPECT_EQ(FactoryChain(), echo);
  auto s = OpenUrlForReading(String(u"ECHO::Some\\Path::x"));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadLine(), u"Some\\Path::x");  // protocol lowered, path untouched
  EXPECT_FALSE(OpenUrlForReading(String(u"nosuch::/etc/passwd")));
  EXPECT_FALSE(OpenUrlForReading(String(u"")));
  EXPECT_FALSE(OpenUrlForReading(ObjectRef()));
}

TEST(OpenUrlStream, AStreamPassedInSurvivesClosingTheHandle) {
  auto inner = std::make_shared<TMemoryStream>(std::vector<uint8_t>{'a', '\n', 'b'});
  StreamRef handle = OpenUrlForReading(ObjectRef(inner));
  ASSERT_TRUE(handle);
  EXPECT_NE(handle, inner);
  EXPECT_EQ(handle->ReadLine(), u"a");
  handle->Close();
  handle.reset();
  EXPECT_EQ(inner->ReadLine(), u"b");

  // A file stream passed in stays open too.
  TempDir dir;
  WriteFile(dir.File("f"), "abc");
  StreamRef file = TCStream::OpenFile(dir.U("f"), 1, 0);
  EXPECT_EQ(LoadBytesAsString(ObjectRef(file)), u"abc");
  EXPECT_EQ(file->Seek(1), 1);
  EXPECT_EQ(file->ReadLine(), u"bc");
}

// Reports no position, like a pipe or the terminal.
class PositionlessStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int Pos() override { return -1; }
  int Eof() override { return TMemoryStream::Pos() == TMemoryStream::Size(); }
};

TEST(OpenFileStream, ReadsPositionlessStreamsIntoSeekableMemory) {
  auto source = std::make_shared<PositionlessStream>(std::vector<uint8_t>{'h', 'i', '\n', '!'});
  // The handle forwards Pos(), so it reports -1 as well.
  StreamRef s = OpenFileStream(ObjectRef(source), 1, 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Pos(), 0);
  EXPECT_EQ(s->Size(), 4);
  EXPECT_EQ(s->ReadLine(), u"hi");
  EXPECT_EQ(s->Seek(99), 4);
  s->WriteString(u"??");
  EXPECT_EQ(s->Size(), 6);
  EXPECT_EQ(s->Seek(-3), 0);
}

TEST(WholeUrl, LoadsSavesAndReportsUnopenableUrls) {
  TempDir dir;
  std::string big(5000, 'z');
  big[4999] = '\xfe';
  SaveUrlBytes(std::vector<uint8_t>(big.begin(), big.end()), dir.U("big"));
  std::vector<uint8_t> back = LoadUrlBytes(dir.U("big"));
  EXPECT_EQ(std::string(back.begin(), back.end()), big);
  SaveStringAsBytes(u"A\u0141\u00e9", dir.U("s"));
  EXPECT_EQ(ReadFile(dir.File("s")), "AA\xe9");
  EXPECT_EQ(LoadBytesAsString(dir.U("s")), String(u"AA\u00e9"));

  EXPECT_THROW(LoadUrlBytes(dir.U("missing")), TStreamReadException);
  EXPECT_THROW(SaveUrlBytes({}, dir.U("no/such/dir/f")), TStreamWriteException);
  EXPECT_THROW(SaveStringAsBytes(u"x", dir.U("no/such/dir/f")), TStreamWriteException);
  EXPECT_THROW(SaveStringAsBytes(u"x", u"/dev/full"), TStreamWriteException);  // fails on close
  EXPECT_THROW(SaveUrlBytes({1, 2}, u"/dev/full"), TStreamWriteException);
  EXPECT_THROW(LoadObjectFromUrl(dir.U("missing")), TStreamReadException);
  EXPECT_THROW(LoadObjectFromUrl(dir.U("s")), TThrownText);
}

TEST(Copy, CopiesToTheEndOrAGivenCount) {
  TMemoryStream source(std::vector<uint8_t>(10000, 7));
  TMemoryStream target;
  CopyUntilEnd(source, target, 4096);
  EXPECT_EQ(target.Size(), 10000);

  source.Seek(0);
  TMemoryStream part;
  CopyByteCount(source, part, 5000, 300);
  EXPECT_EQ(part.Size(), 5000);
  EXPECT_EQ(source.Pos(), 5000);

  // Past the end of its source only what was read is written.
  TMemoryStream short_source(std::vector<uint8_t>{1, 2, 3, 4, 5, 6});
  TMemoryStream short_target;
  CopyByteCount(short_source, short_target, 10, 4);
  EXPECT_EQ(short_target.Size(), 6);

  StingyStream stalls("abcdef", 2, 4);
  TMemoryStream sink;
  EXPECT_THROW(CopyUntilEnd(stalls, sink, 16), TStreamReadException);  // no endless loop
}

}  // namespace
}  // namespace lexidor
