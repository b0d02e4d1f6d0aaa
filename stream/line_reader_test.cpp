#include "stream/line_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "stream/memory_stream.h"

namespace lexidor {
namespace {

// A stream over `bytes` that hands out at most `chunk` bytes per Read and
// nothing once `limit` bytes have gone.
class TrickleStream : public TMemoryStream {
 public:
  TrickleStream(const std::string& bytes, int chunk, int limit = 1 << 30)
      : TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end())),
        chunk_(chunk),
        limit_(limit) {}
  int Read(void* buf, int count) override {
    const int n = std::max(0, std::min({count, chunk_, limit_ - moved_}));
    moved_ += n;
    return TMemoryStream::Read(buf, n);
  }

 private:
  int chunk_, limit_, moved_ = 0;
};

std::vector<std::string> ByReadLine(const std::string& bytes) {
  TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  std::vector<std::string> lines;
  while (!stream.Eof()) lines.push_back(ToLatin1(stream.ReadLine()));
  return lines;
}

std::vector<std::string> ByLineReader(TStream& stream, size_t block) {
  TLineReader reader(stream, block);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(&line)) lines.emplace_back(line);
  return lines;
}

// The block reader splits every input exactly as ReadLine does, however
// the blocks and the stream's reads fall.
TEST(LineReader, AgreesWithReadLineAcrossBlockAndReadBoundaries) {
  const std::string long_line(100, 'L');
  const std::string inputs[] = {
      "",
      "\n",
      "one",
      "one\ntwo\n",
      "one\ntwo",
      "a\r\nb\r\n\r\nc\r\n",
      "in\rside\r\r\n\rlead\n",
      std::string("nul\0ends\0\0it\n", 14),
      std::string("\0", 1),
      "\n\n\n",
      "x\n" + long_line + "\r\n" + long_line + "\ny",
      "Name|/docs/html/Modules/core/a.html\r\nOther(x)|/docs/html/Modules/gui/b.html\r\n",
  };
  for (const std::string& input : inputs) {
    const std::vector<std::string> expected = ByReadLine(input);
    for (size_t block : {16, 17, 64, 1 << 20}) {
      for (int chunk : {1, 7, 1 << 30}) {
        SCOPED_TRACE(testing::Message() << "input " << testing::PrintToString(input) << ", block "
                                        << block << ", chunk " << chunk);
        TrickleStream stream(input, chunk);
        EXPECT_EQ(ByLineReader(stream, block), expected);
      }
    }
  }
}

TEST(LineReader, AStreamThatStopsBeforeItsEndRaisesInsteadOfSpinning) {
  TrickleStream stream("first\nsecond line never ends", 4, 10);
  TLineReader reader(stream, 16);
  std::string_view line;
  ASSERT_TRUE(reader.Next(&line));
  EXPECT_EQ(line, "first");
  EXPECT_THROW(
      {
        while (reader.Next(&line)) {
        }
      },
      TStreamReadException);
}

// Lines that end at NUL bytes cost their length, not the rest of the block:
// 32 MB of NULs are 32 million empty lines read in well under a second,
// where scanning ahead for the next line feed at each one took minutes (the
// alarm ends the test then).
TEST(LineReader, ManyNulBytesReadInLinearTime) {
  const std::string nuls(32 << 20, '\0');
  TrickleStream stream(nuls + "last\nx", 1 << 30);
  TLineReader reader(stream);
  alarm(60);
  size_t count = 0;
  std::string_view line, previous;
  while (reader.Next(&line)) {
    ++count;
    if (count <= nuls.size()) {
      EXPECT_TRUE(line.empty()) << count;
    }
    if (!line.empty()) previous = line;
  }
  alarm(0);
  EXPECT_EQ(count, nuls.size() + 2);
  EXPECT_EQ(previous, "x");
}

}  // namespace
}  // namespace lexidor
