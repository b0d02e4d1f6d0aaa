#include "process/pipe_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace lexidor {
namespace {

// A pipe stream over the read end of a real pipe; the test writes into the
// other end.
class PipeStreamTest : public testing::Test {
 protected:
  PipeStreamTest() {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    stream_ = TPipeStream::Create(fds[0], 0);
    writer_ = fds[1];
  }
  ~PipeStreamTest() override {
    if (writer_ >= 0) close(writer_);
  }
  void Send(const std::string& bytes) {
    ASSERT_EQ(write(writer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  PipeStreamRef stream_;
  int writer_ = -1;
};

TEST_F(PipeStreamTest, PartialLineWaitsForItsLineEnd) {
  Send("abc");
  EXPECT_EQ(stream_->ReadLine(), u"");
  EXPECT_EQ(stream_->bufferpos, 3);
  EXPECT_EQ(stream_->ReadLine(), u"");
  EXPECT_EQ(stream_->bufferpos, 3);
  Send("\n");
  EXPECT_EQ(stream_->ReadLine(), u"abc");
  EXPECT_EQ(stream_->bufferpos, 0);
}

TEST_F(PipeStreamTest, LineEndAloneIsAnEmptyLine) {
  Send("\n");
  String line = u"x";
  EXPECT_EQ(stream_->NextLine(line), TPipeStream::LINE_COMPLETE);
  EXPECT_EQ(line, u"");
  EXPECT_EQ(stream_->bufferpos, 0);
  EXPECT_EQ(stream_->NextLine(line), TPipeStream::LINE_NONE);
  EXPECT_EQ(line, u"");
  EXPECT_EQ(stream_->bufferpos, 0);
}

TEST_F(PipeStreamTest, OneReadWithALineAndAPartialOne) {
  Send("abc\ndef");
  EXPECT_EQ(stream_->ReadLine(), u"abc");
  EXPECT_EQ(stream_->bufferpos, 3);
  String line;
  EXPECT_EQ(stream_->NextLine(line), TPipeStream::LINE_NONE);
  EXPECT_EQ(stream_->bufferpos, 3);
  EXPECT_EQ(stream_->TakeRemainder(), u"def");
  EXPECT_EQ(stream_->bufferpos, 0);
}

TEST_F(PipeStreamTest, CarriageReturnRules) {
  using namespace std::string_literals;
  struct {
    std::string bytes;
    String line;
  } const cases[] = {
      {"crlf\r\n"s, u"crlf"s}, {"lf\n"s, u"lf"s},
      {"a\rb\n"s, u"a\rb"s},   {"\rlead\n"s, u"lead"s},
      {"\r\n"s, u""s},         {"two\r\r\n"s, u"two\r"s},
      {"\r\rx\n"s, u"\rx"s},   {"nul\0in\n"s, u"nul\0in"s},  // NUL is an ordinary byte
  };
  for (const auto& c : cases) {
    Send(c.bytes);
    String line;
    EXPECT_EQ(stream_->NextLine(line), TPipeStream::LINE_COMPLETE) << c.bytes;
    EXPECT_EQ(line, c.line) << c.bytes;
    EXPECT_EQ(stream_->bufferpos, 0) << c.bytes;
  }
}

TEST_F(PipeStreamTest, LongLineComesOutInPiecesWithoutError) {
  std::string long_line(5000, 'x');
  for (size_t k = 0; k < long_line.size(); ++k) long_line[k] = static_cast<char>('a' + k % 26);
  Send(long_line + "\r\nnext\n");
  String first, second, third;
  EXPECT_EQ(stream_->NextLine(first), TPipeStream::LINE_PIECE);
  EXPECT_EQ(first.size(), 4096u);
  EXPECT_EQ(stream_->NextLine(second), TPipeStream::LINE_COMPLETE);
  EXPECT_EQ(ToLatin1(first + second), long_line);
  EXPECT_EQ(stream_->NextLine(third), TPipeStream::LINE_COMPLETE);
  EXPECT_EQ(third, u"next");
}

TEST_F(PipeStreamTest, PieceNeverSplitsACarriageReturnFromItsLineEnd) {
  Send(std::string(4095, 'a') + "\r\n");
  String piece, rest;
  EXPECT_EQ(stream_->NextLine(piece), TPipeStream::LINE_PIECE);
  EXPECT_EQ(piece, String(4095, u'a'));
  EXPECT_EQ(stream_->NextLine(rest), TPipeStream::LINE_COMPLETE);
  EXPECT_EQ(rest, u"");
}

TEST_F(PipeStreamTest, ContinuationKeepsACarriageReturnAtItsStart) {
  Send(std::string(4096, 'a') + "\rb\n");
  String piece, rest;
  EXPECT_EQ(stream_->NextLine(piece), TPipeStream::LINE_PIECE);
  EXPECT_EQ(stream_->NextLine(rest), TPipeStream::LINE_COMPLETE);
  EXPECT_EQ(rest, u"\rb");
}

TEST_F(PipeStreamTest, FullBufferWithNothingWaitingIsHandedOut) {
  Send(std::string(4096, 'z'));
  String piece;
  EXPECT_EQ(stream_->NextLine(piece), TPipeStream::LINE_PIECE);
  EXPECT_EQ(piece.size(), 4096u);
  EXPECT_EQ(stream_->bufferpos, 0);
}

TEST_F(PipeStreamTest, ReadPipeBypassesTheLineBuffer) {
  Send("ab\ncd");
  EXPECT_EQ(stream_->ReadAvail(), 5);
  std::vector<uint8_t> bytes = stream_->ReadPipe();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ab\ncd");
  EXPECT_EQ(stream_->bufferpos, 0);
  EXPECT_TRUE(stream_->ReadPipe().empty());
}

TEST_F(PipeStreamTest, EndOfDataAndClosedDescriptors) {
  Send("q");
  close(writer_);
  writer_ = -1;
  char byte = 0;
  EXPECT_EQ(stream_->Read(&byte, 1), 1);
  EXPECT_EQ(stream_->Read(&byte, 1), 0);  // end of data
  stream_->Close();
  EXPECT_EQ(stream_->readhandle, 0);
  EXPECT_EQ(stream_->ReadAvail(), 0);
  EXPECT_EQ(stream_->Read(&byte, 1), 0);
  EXPECT_EQ(stream_->Write("x", 1), 0);
  EXPECT_EQ(stream_->Close(), 0);
}

TEST(PipeStream, ReadAvailOnADescriptorThatFailsTheQueryIsZero) {
  int fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(fd, 0);
  close(fd);
  TPipeStream stream(fd, 0);  // a number that no longer names a descriptor
  EXPECT_EQ(stream.ReadAvail(), 0);
  EXPECT_EQ(stream.ReadLine(), u"");
  stream.readhandle = 0;  // not ours to close
}

TEST(PipeStream, WritesReachTheOtherEndAndReleaseCloses) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
  {
    PipeStreamRef stream = TPipeStream::Create(0, fds[1]);
    EXPECT_EQ(stream->WriteLine(u"hello"), 1);
  }
  // Releasing the stream closed the write end: the reader sees end of data.
  char buf[16];
  ssize_t n = read(fds[0], buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "hello\r\n");
  EXPECT_EQ(read(fds[0], buf, sizeof buf), 0);
  close(fds[0]);
}

}  // namespace
}  // namespace lexidor
