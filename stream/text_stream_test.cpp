#include "stream/text_stream.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "stream/memory_stream.h"

namespace lexidor {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

struct TextOver {
  std::shared_ptr<TMemoryStream> memory;
  std::shared_ptr<TTextStream> text;
  std::string Written() const { return AsString(memory->Bytes()); }
};

TextOver MakeText(int encoding, const std::string& content = std::string()) {
  TextOver t;
  t.memory = std::make_shared<TMemoryStream>(Bytes(content));
  t.text = TTextStream::Create(t.memory, encoding);
  return t;
}

// ---- characters --------------------------------------------------------------

struct CharCase {
  int encoding;
  int ch;
  std::string bytes;
};

class CharEncoding : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharEncoding, WritesTheBytesAndReadsThemBack) {
  const CharCase& c = GetParam();
  TextOver out = MakeText(c.encoding);
  out.text->WriteChar(c.ch);
  EXPECT_EQ(out.Written(), c.bytes);

  TextOver in = MakeText(c.encoding, c.bytes);
  EXPECT_EQ(in.text->ReadChar(), c.ch);
  EXPECT_EQ(in.text->Eof(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CharEncoding,
    ::testing::Values(CharCase{TTextStream::LATIN1, 'A', "A"},
                      CharCase{TTextStream::LATIN1, 0xE9, "\xE9"},
                      CharCase{TTextStream::UTF8, 'A', "A"},
                      CharCase{TTextStream::UTF8, 0x7F, "\x7F"},
                      CharCase{TTextStream::UTF8, 0x80, "\xC2\x80"},
                      CharCase{TTextStream::UTF8, 0xE9, "\xC3\xA9"},
                      CharCase{TTextStream::UTF8, 0x7FF, "\xDF\xBF"},
                      CharCase{TTextStream::UTF8, 0x800, "\xE0\xA0\x80"},
                      CharCase{TTextStream::UTF8, 0x20AC, "\xE2\x82\xAC"},
                      CharCase{TTextStream::UTF8, 0xFFFF, "\xEF\xBF\xBF"},
                      CharCase{TTextStream::UTF16BE, 'A', std::string("\x00\x41", 2)},
                      CharCase{TTextStream::UTF16BE, 0x20AC, "\x20\xAC"},
                      CharCase{TTextStream::UTF16LE, 'A', std::string("\x41\x00", 2)},
                      CharCase{TTextStream::UTF16LE, 0x20AC, "\xAC\x20"}));

TEST(TextStreamChars, Latin1KeepsOnlyTheLowByte) {
  TextOver out = MakeText(TTextStream::LATIN1);
  out.text->WriteChar(0x141);
  EXPECT_EQ(out.Written(), "A");
}

TEST(TextStreamChars, UnknownEncodingWritesNothingAndReadsOneByteAsZero) {
  TextOver out = MakeText(9);
  out.text->WriteString(u"abc");
  EXPECT_EQ(out.Written(), "");

  TextOver in = MakeText(9, "xy");
  EXPECT_EQ(in.text->ReadChar(), 0);
  EXPECT_EQ(in.text->Pos(), 1);
}

TEST(TextStreamChars, Utf8SurrogatePairIsTwoThreeByteSequences) {
  const String face = u"\U0001F600";  // D83D DE00
  TextOver out = MakeText(TTextStream::UTF8);
  out.text->WriteString(face);
  EXPECT_EQ(out.Written(), "\xED\xA0\xBD\xED\xB8\x80");

  TextOver in = MakeText(TTextStream::UTF8, out.Written());
  EXPECT_EQ(in.text->ReadString(2), face);
}

TEST(TextStreamChars, Utf8LeadByteAbove239GivesZeroAfterThreeBytes) {
  TextOver in = MakeText(TTextStream::UTF8,
                         "\xF0\x9F\x98"
                         "A");
  EXPECT_EQ(in.text->ReadChar(), 0);
  EXPECT_EQ(in.memory->Pos(), 3);
  EXPECT_EQ(in.text->ReadChar(), 'A');
}

TEST(TextStreamChars, ReadCharAtEndGivesZeroOrPartialValue) {
  TextOver empty = MakeText(TTextStream::UTF16BE);
  EXPECT_EQ(empty.text->ReadChar(), 0);
  TextOver half = MakeText(TTextStream::UTF16BE, "\x12");
  EXPECT_EQ(half.text->ReadChar(), 0x1200);
}

// ---- lines and strings -----------------------------------------------------

TEST(TextStreamLines, Utf8ReadLineStopsAtNulAndDropsCarriageReturns) {
  TextOver in = MakeText(TTextStream::UTF8, std::string("h\xC3\xA9\0r\rest\r\nlast", 15));
  EXPECT_EQ(in.text->ReadLine(), u"h\u00E9");
  EXPECT_EQ(in.memory->Pos(), 4);  // the NUL is consumed
  EXPECT_EQ(in.text->ReadLine(), u"rest");
  EXPECT_EQ(in.text->ReadLine(), u"last");
  EXPECT_EQ(in.text->Eof(), 1);
  EXPECT_EQ(in.text->ReadLine(), u"");
}

TEST(TextStreamLines, Utf16ReadLineWorksOnCharactersNotBytes) {
  // 0x0A00 and 0x0D41 contain LF / CR bytes but are ordinary characters.
  TextOver in =
      MakeText(TTextStream::UTF16BE, std::string("\x0A\x00\x0D\x41\x00\x0D\x00\x0A\x00\x42", 10));
  EXPECT_EQ(in.text->ReadLine(), u"\u0A00\u0D41");
  EXPECT_EQ(in.text->ReadLine(), u"B");
}

TEST(TextStreamLines, WriteLineEncodesTextAndCrLf) {
  TextOver le = MakeText(TTextStream::UTF16LE);
  EXPECT_EQ(le.text->WriteLine(u"A"), 1);
  EXPECT_EQ(le.Written(), std::string("A\0\r\0\n\0", 6));

  TextOver utf8 = MakeText(TTextStream::UTF8);
  utf8.text->WriteLine(u"\u00E9");
  utf8.text->WriteLine(u"");
  EXPECT_EQ(utf8.Written(), "\xC3\xA9\r\n\r\n");
}

TEST(TextStreamLines, ReadFileKeepsLineEndsAndNuls) {
  TextOver in = MakeText(TTextStream::UTF8, std::string("a\r\n\0b\xE2\x82\xAC", 8));
  EXPECT_EQ(in.text->ReadFile(), String(u"a\r\n\0b\u20AC", 6));
}

TEST(TextStreamLines, ReadStringReadsExactlyCountCharacters) {
  TextOver in = MakeText(TTextStream::UTF8, "\xC3\xA9xyz");
  EXPECT_EQ(in.text->ReadString(2), u"\u00E9x");
  EXPECT_EQ(in.text->ReadString(0), u"");
  EXPECT_EQ(in.text->ReadString(3), String(u"yz\0", 3));
}

// ---- typed values ----------------------------------------------------------

TEST(TextStreamTyped, ReadsValuesAsLinesWithoutNarrowing) {
  TextOver in = MakeText(TTextStream::UTF8,
                         "$1F\r\n-12\r\n%101\r\n  42abc\r\n300\r\n9000000000\r\n2.5\r\n0.25\r\n");
  EXPECT_EQ(in.text->ReadInt(), 31);
  EXPECT_EQ(in.text->ReadShort(), -12);
  EXPECT_EQ(in.text->ReadByte(), 5);
  EXPECT_EQ(in.text->ReadInt(), 42);
  EXPECT_EQ(in.text->ReadByte(), 300);
  EXPECT_EQ(in.text->ReadLong(), 9000000000LL);
  EXPECT_EQ(in.text->ReadDouble(), 2.5);
  EXPECT_EQ(in.text->ReadFloat(), 0.25f);
  EXPECT_EQ(in.text->Eof(), 1);
}

TEST(TextStreamTyped, WritesValuesAsDecimalLines) {
  TextOver out = MakeText(TTextStream::UTF16BE);
  out.text->WriteByte(300);
  TextOver latin = MakeText(TTextStream::LATIN1);
  latin.text->WriteByte(300);
  latin.text->WriteShort(-5);
  latin.text->WriteInt(-2147483647 - 1);
  latin.text->WriteLong(-9000000000LL);
  latin.text->WriteDouble(2.5);
  latin.text->WriteFloat(0.25f);
  EXPECT_EQ(latin.Written(), "300\r\n-5\r\n-2147483648\r\n-9000000000\r\n2.5\r\n0.25\r\n");
  EXPECT_EQ(out.Written(), std::string("\0003\0000\0000\0\r\0\n", 10));
}

TEST(TextStreamTyped, FloatingPointValuesSurviveTheRoundTrip) {
  TextOver t = MakeText(TTextStream::UTF8);
  t.text->WriteDouble(0.1);
  t.text->WriteFloat(0.1f);
  t.text->WriteDouble(-1.0e300);
  t.memory->Seek(0);
  EXPECT_EQ(t.text->ReadDouble(), 0.1);
  EXPECT_EQ(t.text->ReadFloat(), 0.1f);
  EXPECT_EQ(t.text->ReadDouble(), -1.0e300);
}

// ---- binary data as hexadecimal lines --------------------------------------

std::vector<uint8_t> ThirtyThreeBytes() {
  std::vector<uint8_t> data;
  for (int i = 0; i < 32; ++i) data.push_back(static_cast<uint8_t>(0xE0 + i));
  data.push_back(0x5C);
  return data;
}

const char kThirtyThreeHex[] =
    "E0E1E2E3E4E5E6E7E8E9EAEBECEDEEEFF0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF\r\n5C";

TEST(TextStreamBinary, WritesThirtyTwoBytesPerHexLineAndEndsTheLineBeforeText) {
  for (int encoding : {TTextStream::LATIN1, TTextStream::UTF16LE}) {
    TextOver out = MakeText(encoding);
    std::vector<uint8_t> data = ThirtyThreeBytes();
    EXPECT_EQ(out.text->WriteBytes(data.data(), 33), 33);
    EXPECT_EQ(out.Written(), kThirtyThreeHex) << "encoding " << encoding;
    EXPECT_EQ(out.text->_bufcount, 1);
  }
  TextOver out = MakeText(TTextStream::LATIN1);
  std::vector<uint8_t> data = ThirtyThreeBytes();
  out.text->WriteBytes(data.data(), 33);
  out.text->WriteLine(u"x");
  EXPECT_EQ(out.Written(), std::string(kThirtyThreeHex) + "\r\nx\r\n");
  EXPECT_EQ(out.text->_bufcount, 0);
}

TEST(TextStreamBinary, ExactlyThirtyTwoBytesNeedNoFurtherLineEnd) {
  TextOver out = MakeText(TTextStream::UTF8);
  std::vector<uint8_t> data(32, 0x0A);
  out.text->WriteBytes(data.data(), 32);
  out.text->WriteInt(7);
  std::string expected;
  for (int i = 0; i < 32; ++i) expected += "0A";
  EXPECT_EQ(out.Written(), expected + "\r\n7\r\n");
}

TEST(TextStreamBinary, ReadsHexLinesBackAndThenText) {
  std::vector<uint8_t> data = ThirtyThreeBytes();
  TextOver t = MakeText(TTextStream::UTF8);
  t.text->WriteBytes(data.data(), 33);
  t.text->WriteLine(u"after");
  t.text->WriteShort(4660);
  t.memory->Seek(0);

  std::vector<uint8_t> back(33);
  EXPECT_EQ(t.text->ReadBytes(back.data(), 33), 33);
  EXPECT_EQ(back, data);
  EXPECT_EQ(t.text->ReadLine(), u"after");
  EXPECT_EQ(t.text->ReadShort(), 4660);
  EXPECT_EQ(t.text->Eof(), 1);
}

TEST(TextStreamBinary, AcceptsLfAloneAsHexLineEnd) {
  TextOver in = MakeText(TTextStream::LATIN1, std::string(64, '1') + "\n2F");
  std::vector<uint8_t> back(33);
  in.text->ReadBytes(back.data(), 33);
  EXPECT_EQ(back[31], 0x11);
  EXPECT_EQ(back[32], 0x2F);
}

TEST(TextStreamBinary, MalformedTerminatorIsThrownAsText) {
  for (const std::string& ending : {std::string("X0"), std::string("\r0"), std::string("\r\r\n")}) {
    TextOver in = MakeText(TTextStream::LATIN1, std::string(64, '0') + ending + "00");
    std::vector<uint8_t> back(33);
    try {
      in.text->ReadBytes(back.data(), 33);
      ADD_FAILURE() << "no exception for ending " << ending;
    } catch (const TThrownText& e) {
      EXPECT_EQ(e.text, u"Malformed line terminator");
    }
  }
  // A text read after a partial hex line meets a digit where the line end
  // should be.
  TextOver partial = MakeText(TTextStream::LATIN1, "0102\r\n");
  uint8_t one;
  partial.text->Read(&one, 1);
  EXPECT_THROW(partial.text->ReadLine(), TThrownText);
}

TEST(TextStreamBinary, RejectsCharactersThatAreNotUpperCaseHexDigits) {
  for (const char* bad : {"G0", "0g", "ab", " 1"}) {
    TextOver in = MakeText(TTextStream::LATIN1, bad);
    uint8_t byte;
    try {
      in.text->Read(&byte, 1);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const TThrownText& e) {
      EXPECT_EQ(e.text, u"Malformed hexadecimal digit");
    }
  }
}

TEST(TextStreamBinary, ReadStopsAtTheEndOfTheData) {
  TextOver in = MakeText(TTextStream::LATIN1, "0A0B");
  uint8_t back[4] = {9, 9, 9, 9};
  EXPECT_EQ(in.text->Read(back, 4), 2);
  EXPECT_EQ(back[0], 0x0A);
  EXPECT_EQ(back[1], 0x0B);
  EXPECT_EQ(back[2], 9);
  EXPECT_EQ(in.text->SkipBytes(3), 3);  // at the end: nothing to skip, no error
}

TEST(TextStreamBinary, SkipBytesSkipsHexDigitsAcrossLines) {
  std::vector<uint8_t> data = ThirtyThreeBytes();
  TextOver t = MakeText(TTextStream::LATIN1);
  t.text->WriteBytes(data.data(), 33);
  t.memory->Seek(0);
  auto reader = TTextStream::Create(t.memory, TTextStream::LATIN1);
  EXPECT_EQ(reader->SkipBytes(32), 32);
  uint8_t last = 0;
  EXPECT_EQ(reader->Read(&last, 1), 1);
  EXPECT_EQ(last, 0x5C);
}

// ---- the wrapper's own behaviour -------------------------------------------

TEST(TextStreamWrapper, CloseAndReleaseCloseTheInnerStream) {
  char path[] = "/tmp/lexidor_text_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  auto file = TCStream::OpenFile(FromLatin1(path), 0, 1);
  ASSERT_TRUE(file);
  {
    auto text = TTextStream::Create(file, TTextStream::UTF8);
    text->WriteString(u"\u00E9");
  }  // released: the file is closed and its bytes are on disk
  EXPECT_EQ(file->_cstream, nullptr);
  EXPECT_EQ(AsString(LoadUrlBytes(FromLatin1(path))), "\xC3\xA9");
  std::remove(path);
}

// ---- protocols ---------------------------------------------------------------

class TextProtocols : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTextStreamModule();
    char dir[] = "/tmp/lexidor_proto_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    for (const char* name : {"/Notes.TXT", "/le.txt", "/in.txt"})
      std::remove((dir_ + name).c_str());
    rmdir(dir_.c_str());
  }
  String Path(const char* name) const { return FromLatin1(dir_ + name); }
  std::string dir_;
};

TEST_F(TextProtocols, OpenThroughOpenUrlStreamWithTheirEncoding) {
  StreamRef utf8 = OpenUrlStream(u"utf8::" + Path("/Notes.TXT"), 0, 1);
  ASSERT_TRUE(utf8);
  auto* text = dynamic_cast<TTextStream*>(utf8.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->_encoding, TTextStream::UTF8);
  utf8->WriteLine(u"\u00E9");
  utf8->Close();
  // The path after "::" keeps its case.
  EXPECT_EQ(AsString(LoadUrlBytes(Path("/Notes.TXT"))), "\xC3\xA9\r\n");

  StreamRef le = OpenUrlForWriting(u"UTF16LE::" + Path("/le.txt"));
  ASSERT_TRUE(le);
  le->WriteString(u"A");
  le->Close();
  EXPECT_EQ(AsString(LoadUrlBytes(Path("/le.txt"))), std::string("A\0", 2));

  SaveUrlBytes(Bytes(std::string("\x00\x41\x20\xAC", 4)), Path("/in.txt"));
  StreamRef be = OpenUrlForReading(u"Utf16Be::" + Path("/in.txt"));
  ASSERT_TRUE(be);
  EXPECT_EQ(be->ReadString(2), u"A\u20AC");
  StreamRef latin = OpenUrlForReading(u"latin1::" + Path("/in.txt"));
  ASSERT_TRUE(latin);
  EXPECT_EQ(latin->ReadString(4), String(u"\0A \u00AC", 4));
}

TEST_F(TextProtocols, UnknownProtocolOrMissingFileGivesNull) {
  SaveUrlBytes(Bytes("x"), Path("/in.txt"));
  EXPECT_EQ(OpenUrlForReading(u"utf7::" + Path("/in.txt")), nullptr);
  EXPECT_EQ(OpenUrlForReading(u"utf8::" + Path("/missing.txt")), nullptr);
}

TEST(TextStreamModule, InitLinksOneFactoryOnlyOnce) {
  InitTextStreamModule();
  auto chain_length = [] {
    int n = 0;
    for (TStreamFactory* f = FactoryChain(); f; f = f->_succ) ++n;
    return n;
  };
  int before = chain_length();
  InitTextStreamModule();
  EXPECT_EQ(chain_length(), before);
}

}  // namespace
}  // namespace lexidor
