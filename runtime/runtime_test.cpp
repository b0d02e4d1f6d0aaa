#include <gtest/gtest.h>
#include <unistd.h>

#include "runtime/exceptions.h"
#include "runtime/exit_handlers.h"
#include "runtime/program_paths.h"

namespace lexidor {
namespace {

TEST(Exceptions, WhatGivesTheTextInUtf8) {
  TRuntimeException e(u"caf\u00e9");
  EXPECT_STREQ(e.what(), "caf\xc3\xa9");
  EXPECT_STREQ(TStreamReadException().what(), "Error reading from stream");
  EXPECT_STREQ(TStreamWriteException().what(), "Error writing to stream");
  EXPECT_STREQ(TThrownText(u"Unable to read object").what(), "Unable to read object");
}

TEST(Exceptions, StreamErrorsShareABase) {
  try {
    throw TStreamWriteException();
  } catch (const TStreamException& e) {
    EXPECT_EQ(e.ToString(), u"Error writing to stream");
  }
}

void QuitWithTwoHandlers() {
  AddExitHandler([] { std::fputs("first", stderr); });
  AddExitHandler([] {
    std::fputs("second,", stderr);
    throw TRuntimeException(u"ignored");
  });
  QuitProgram(3);
}

TEST(ExitHandlersDeathTest, QuitProgramRunsHandlersNewestFirstThenExits) {
  EXPECT_EXIT(QuitWithTwoHandlers(), testing::ExitedWithCode(3), "second,first");
}

TEST(ProgramPaths, DirectoryIsTheFileCutBeforeItsLastSlash) {
  SetProgramPaths(u"C:\\start\\here", u"/opt/lexidor/Lexidor", {u"/opt/lexidor/Lexidor", u"x"});
  EXPECT_EQ(LaunchDirectory(), u"C:/start/here");
  EXPECT_EQ(ProgramDirectory(), u"/opt/lexidor");
  EXPECT_EQ(ProgramArguments().size(), 2u);
  SetProgramPaths(u"/work", u"/Lexidor", {});
  EXPECT_EQ(ProgramDirectory(), u"/");
  SetProgramPaths(u"/work", u".", {});
  EXPECT_EQ(ProgramDirectory(), u"/work");  // no slash: the launch directory
}

void InitAndCheckDirectory() {
  char arg0[] = "tests";
  char* argv[] = {arg0, nullptr};
  bool changed = InitProgramPaths(1, argv);
  char cwd[1024];
  bool same = getcwd(cwd, sizeof cwd) && ToUtf8(ProgramDirectory()) == cwd &&
              ProgramFile().find(u"runtime_tests") != String::npos;
  std::_Exit(changed && same ? 0 : 1);
}

TEST(ProgramPathsDeathTest, InitChangesToTheExecutablesDirectory) {
  EXPECT_EXIT(InitAndCheckDirectory(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lexidor
