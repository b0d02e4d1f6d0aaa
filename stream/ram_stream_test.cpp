#include "stream/ram_stream.h"

#include <gtest/gtest.h>

#include "stream/embedded_files.h"

namespace lexidor {
namespace {

const uint8_t kPage[] = "<html>line one\r\nline two</html>";
const int32_t kPageSize = sizeof kPage - 1;

class EmbeddedFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitRamStreamModule();
    InitRamStreamModule();  // a second call adds no second factory
    RegisterEmbeddedFile(u"pages\\index.html", kPage, kPageSize);
  }
};

TEST_F(EmbeddedFiles, OpenAsReadOnlyStreamsWithTheRegisteredBytes) {
  StreamRef s = OpenUrlForReading(String(u"incbin::pages\\index.html"));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Size(), kPageSize);
  EXPECT_EQ(s->Pos(), 0);
  EXPECT_EQ(LoadBytesAsString(ObjectRef(s)), FromLatin1(reinterpret_cast<const char*>(kPage)));
  EXPECT_EQ(s->Eof(), 1);
  char c;
  EXPECT_EQ(s->Read(&c, 1), 0);
  EXPECT_EQ(s->Write("x", 1), 0);  // never written, even through a cast
  s->Close();
  // Closing leaves the block readable: a second stream starts afresh.
  StreamRef again = OpenUrlForReading(String(u"INCBIN::pages\\index.html"));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ReadLine(), u"<html>line one");
}

TEST_F(EmbeddedFiles, NamesCompareExactlyAndWritingIsRefused) {
  EXPECT_FALSE(OpenUrlForReading(String(u"incbin::pages/index.html")));
  EXPECT_FALSE(OpenUrlForReading(String(u"incbin::PAGES\\index.html")));
  EXPECT_FALSE(OpenUrlForWriting(String(u"incbin::pages\\index.html")));
  EXPECT_FALSE(OpenUrlStream(String(u"incbin::pages\\index.html"), 1, 1));
  EXPECT_FALSE(OpenUrlForReading(String(u"incbin::")));
}

TEST_F(EmbeddedFiles, ASecondRegistrationOfANameIsRefused) {
  static const uint8_t other[] = "other";
  EXPECT_EQ(RegisterEmbeddedFile(u"pages\\index.html", other, 5), 0);
  EXPECT_EQ(FindEmbeddedFile(u"pages\\index.html")->data, kPage);
  EXPECT_EQ(RegisterEmbeddedFile(u"pages\\other.txt", other, 5), 1);
  EXPECT_EQ(EmbeddedFileTable()->data, other);  // newest first
}

TEST(RamStream, ClampsSeeksAndTransfersToTheBlock) {
  uint8_t block[4] = {1, 2, 3, 4};
  auto s = TRamStream::Create(block, 4, 1, 1);
  EXPECT_EQ(s->Seek(-5), 0);
  EXPECT_EQ(s->Seek(99), 4);
  s->Seek(2);
  EXPECT_EQ(s->Write("abcdef", 6), 2);  // writing stops at the end
  EXPECT_EQ(block[3], 'b');
  s->Seek(1);
  uint8_t out[8] = {};
  EXPECT_EQ(s->Read(out, 8), 3);
  EXPECT_EQ(out[0], 2);

  auto write_only = TRamStream::Create(block, 4, 0, 1);
  EXPECT_THROW(write_only->ReadInt(), TStreamReadException);  // not readable, not at end
}

}  // namespace
}  // namespace lexidor
