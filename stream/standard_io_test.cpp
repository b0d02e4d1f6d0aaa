#include "stream/standard_io.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace lexidor {
namespace {

struct ChildResult {
  int status = -1;
  std::string out;
};

// Runs `body` in a child process whose standard input holds `input` and whose
// standard output goes to a pipe.  The child ends with _exit, which does not
// flush stdio, so only output that `body` flushed itself arrives.
ChildResult RunChild(const std::function<int()>& body, const std::string& input = "") {
  int in[2], out[2];
  EXPECT_EQ(pipe(in), 0);
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(in[1]);
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(out[0]);
    close(out[1]);
    int code;
    try {
      code = body();
    } catch (...) {
      code = 99;
    }
    _exit(code);
  }
  close(in[0]);
  close(out[1]);
  ChildResult result;
  char buf[256];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof buf)) > 0) result.out.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(StandardIO, PrintLineWritesUtf8AndCrLfAndFlushes) {
  ChildResult empty = RunChild([] {
    PrintLine(u"");
    return 0;
  });
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "\r\n");

  ChildResult text = RunChild([] {
    PrintLine(u"\u00E9\u20AC");
    PrintLine(u"two");
    return 0;
  });
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, "\xC3\xA9\xE2\x82\xAC\r\ntwo\r\n");
}

TEST(StandardIO, EndOpenLineEndsOnlyALineLeftOpen) {
  ChildResult r = RunChild([] {
    StandardStream()->WriteString(u"<echo>");
    EndOpenLine();
    EndOpenLine();  // the line is ended already
    PrintLine(u"next");
    return 0;
  });
  EXPECT_EQ(r.out, "<echo>\r\nnext\r\n");
}

// Closed standard descriptors get /dev/null, in order, and open ones stay.
TEST(StandardIO, ClosedStandardDescriptorsGetDevNull) {
  ChildResult r = RunChild([] {
    close(0);
    close(2);
    OpenClosedStandardDescriptors();
    char target[64] = {};
    for (int fd : {0, 2}) {
      std::string link = "/proc/self/fd/" + std::to_string(fd);
      if (readlink(link.c_str(), target, sizeof target - 1) < 0) return 10 + fd;
      if (std::string(target) != "/dev/null") return 20 + fd;
    }
    PrintLine(u"stdout kept");
    return 0;
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "stdout kept\r\n");
}

TEST(StandardIO, PromptLineWritesThePromptAndReadsOneLine) {
  ChildResult r = RunChild(
      [] {
        if (PromptLine(u"Name? ") != u"J\u00F6rg") return 1;
        if (PromptLine(u"") != u"") return 2;
        return PromptLine(u">") == u"last" ? 0 : 3;
      },
      "J\xC3\xB6rg\r\n\nlast\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Name? >");
}

TEST(StandardIO, PromptLineAtEndOfInputRaisesReadException) {
  ChildResult r = RunChild([] {
    try {
      PromptLine(u"? ");
    } catch (const TStreamReadException&) {
      return 7;
    }
    return 1;
  });
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.out, "? ");
}

TEST(StandardIO, StandardStreamIsOneUtf8StreamThatCannotTellItsPosition) {
  InitStandardIO();
  const std::shared_ptr<TTextStream>& first = StandardStream();
  InitStandardIO();
  EXPECT_EQ(StandardStream().get(), first.get());
  EXPECT_EQ(first->_encoding, TTextStream::UTF8);
  EXPECT_NE(dynamic_cast<TCStandardIO*>(first->_stream.get()), nullptr);
  EXPECT_EQ(first->Pos(), -1);
  EXPECT_EQ(first->Size(), 0);
  EXPECT_EQ(first->Eof(), 0);

  // Closing does not end standard output.
  ChildResult r = RunChild([] {
    StandardStream()->Close();
    PrintLine(u"still here");
    return 0;
  });
  EXPECT_EQ(r.out, "still here\r\n");
}

}  // namespace
}  // namespace lexidor
