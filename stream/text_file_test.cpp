#include "stream/text_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "stream/text_stream.h"

namespace lexidor {
namespace {

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTextStreamModule();
    char dir[] = "/tmp/lexidor_textfile_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    for (const std::string& f : created_) std::remove(f.c_str());
    rmdir(dir_.c_str());
  }
  String Path(const std::string& name) {
    created_.push_back(dir_ + "/" + name);
    return FromLatin1(created_.back());
  }
  void WriteFile(const String& path, const std::string& bytes) {
    SaveUrlBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()), path);
  }
  std::string ReadFile(const String& path) {
    std::vector<uint8_t> b = LoadUrlBytes(path);
    return std::string(b.begin(), b.end());
  }

  std::string dir_;
  std::vector<std::string> created_;
};

struct BomCase {
  const char* name;
  std::string bytes;
  String text;
};

TEST_F(TextFileTest, LoadDetectsTheByteOrderMark) {
  const BomCase cases[] = {
      {"empty", "", u""},
      {"utf16be", std::string("\xFE\xFF\x00\x41\x20\xAC", 6), u"A\u20AC"},
      {"utf16le", std::string("\xFF\xFE\x41\x00\xAC\x20", 6), u"A\u20AC"},
      {"utf16le keeps line ends and nul", std::string("\xFF\xFE\r\0\n\0\0\0", 8),
       String(u"\r\n\0", 3)},
      {"utf8",
       "\xEF\xBB\xBF"
       "A\xE2\x82\xAC",
       u"A\u20AC"},
      {"utf8 mark only", "\xEF\xBB\xBF", u""},
      {"ef bb then other", "\xEF\xBB\x41", u"\u00EF\u00BB\u0041"},
      {"one byte fe", "\xFE", u"\u00FE"},
      {"one byte ff", "\xFF", u"\u00FF"},
      {"ef bb at the end", "\xEF\xBB", u"\u00EF\u00BB"},
      {"fe then other", "\xFE\x41", u"\u00FE\u0041"},
      {"utf8 without mark reads as latin1", "\xC3\xA9\r\n", u"\u00C3\u00A9\r\n"},
  };
  int i = 0;
  for (const BomCase& c : cases) {
    String path = Path("bom" + std::to_string(i++));
    WriteFile(path, c.bytes);
    EXPECT_EQ(LoadTextFile(path), c.text) << c.name;
  }
}

TEST_F(TextFileTest, LoadsLongFilesWithoutMarkByteForByte) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>((i * 7 + 1) & 255));
  String path = Path("long.bin");
  WriteFile(path, bytes);
  String text = LoadTextFile(path);
  ASSERT_EQ(text.size(), bytes.size());
  EXPECT_EQ(ToLatin1(text), bytes);
  SaveTextFile(text, path);
  EXPECT_EQ(ReadFile(path), bytes);
}

TEST_F(TextFileTest, LoadFromAnOpenStreamLeavesItOpen) {
  String path = Path("p.txt");
  WriteFile(path, "\xFF\xFE\x41\x00");
  StreamRef open = OpenUrlForReading(path);
  ASSERT_TRUE(open);
  EXPECT_EQ(LoadTextFile(ObjectRef(open)), u"A");
  EXPECT_EQ(open->Seek(2), 2);
  EXPECT_EQ(open->ReadByte(), 0x41);
}

TEST_F(TextFileTest, LoadOfAUrlThatDoesNotOpenThrows) {
  EXPECT_THROW(LoadTextFile(Path("missing.txt")), TStreamReadException);
  EXPECT_THROW(LoadTextFile(u"nosuch::x"), TStreamReadException);
}

TEST_F(TextFileTest, SaveAboveLatin1WritesUtf16LeWithMark) {
  String path = Path("wide.txt");
  SaveTextFile(u"A\u0141\r\n", path);
  EXPECT_EQ(ReadFile(path), std::string("\xFF\xFE\x41\x00\x41\x01\r\0\n\0", 10));
  EXPECT_EQ(LoadTextFile(path), u"A\u0141\r\n");
}

TEST_F(TextFileTest, Utf8WithMarkLoadsAndSavesAsUtf16Le) {
  String path = Path("euro.txt");
  WriteFile(path, "\xEF\xBB\xBF\xE2\x82\xAC");
  String text = LoadTextFile(path);
  EXPECT_EQ(text, u"\u20AC");
  SaveTextFile(text, path);
  EXPECT_EQ(ReadFile(path), "\xFF\xFE\xAC\x20");
}

TEST_F(TextFileTest, SaveUpToLatin1WritesOneBytePerCharacter) {
  String path = Path("narrow.txt");
  SaveTextFile(u"\u00FF\u00E9x\r\n", path);
  EXPECT_EQ(ReadFile(path), "\xFF\xE9x\r\n");
  SaveTextFile(u"", path);
  EXPECT_EQ(ReadFile(path), "");
}

TEST_F(TextFileTest, SaveToAUrlThatDoesNotOpenThrows) {
  String nowhere = FromLatin1(dir_) + u"/no/such/dir/file.txt";
  EXPECT_THROW(SaveTextFile(u"narrow", nowhere), TStreamWriteException);
  EXPECT_THROW(SaveTextFile(u"wide \u0141", nowhere), TStreamWriteException);
  EXPECT_THROW(SaveTextFile(u"wide \u0141", u"nosuch::x"), TStreamWriteException);
}

}  // namespace
}  // namespace lexidor
