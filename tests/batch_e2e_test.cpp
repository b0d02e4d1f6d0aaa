// The built program in batch mode, run as a user runs it, on temporary kits.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::ReadFile;
using test::RunOptions;
using test::RunProgram;
using test::WriteFile;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A private copy of the program (config.txt and button.js live beside it)
// and an empty kit.
class Batch : public testing::Test {
 protected:
  Batch() : dir_("lexidor-batch") {
    prog_ = dir_.Sub("prog");
    kit_ = dir_.Sub("kit");
    modules_ = kit_ + "/docs/html/Modules/";
    test::MakeDirs(prog_);
    test::MakeDirs(modules_);
    test::CopyFile(test::LexidorBinary(), Program());
    chmod(Program().c_str(), 0755);
  }

  std::string Program() const { return prog_ + "/Lexidor"; }
  void SetConfig(const std::string& root, const std::string& flag = "0") {
    WriteFile(prog_ + "/config.txt", root + "\r\n" + flag + "\r\n");
  }
  test::RunResult Run(RunOptions options = {}) {
    if (options.args.empty()) options.args = {"batch"};
    options.env["DISPLAY"] = "";  // batch mode needs no X server
    return RunProgram(Program(), options);
  }

  test::TempDir dir_;
  std::string prog_, kit_, modules_;
};

// Every parsing rule and quirk of commands.txt in one list: the name runs to
// the second "|", is cut at "(", then ":", "[]" and a late "="; modules come
// from "Modules/"..."index" or ".mod" segments; NUL ends a line, CR vanishes;
// the last line has no terminator.
const char kCraftedList[] =
    "Abc|/docs/x/Modules/core/core.abc/index.html#Abc\r\n"
    "A|B|/p/Modules/m/index.html\n"
    "Foo:Int(a)|/docs/html/Modules/core/core.stream/index.html#Foo\n"
    "Bar[]|/mod/core.mod/stream.mod/doc/page.html\n"
    "X=1|x\n"
    "Len=3|y\n"
    "no bar line\n"
    "q\"u\\ote|/docs/html/Modules/CORE/Core.Stream/index.html\n"
    "Dup|/first\n"
    "Dup|/second\n"
    "zeta|/docs/html/Modules/z/index.html\n"
    "Nul\0Hidden|/docs/html/Modules/n/index.html\n"
    "C\rR|/docs/html/Modules/c/index.html\r\n"
    "Sig(a, b)|/docs/html/Modules/core/core.abc/index.html#Sig";

TEST_F(Batch, WritesTheExactScriptFilesForEveryParsingRule) {
  WriteFile(modules_ + "commands.txt", std::string(kCraftedList, sizeof kCraftedList - 1));
  SetConfig(kit_);
  test::RunResult r = Run();
  ASSERT_EQ(r.exit_status, 0) << r.err;

  const std::string& R = kit_;
  EXPECT_EQ(ReadFile(modules_ + "command.js"),
            "var commands=new Array(\"Abc\",\"A|B\",\"Bar\",\"CR\",\"Dup\",\"Dup\",\"Foo\","
            "\"Hidden\",\"Len\",\"Sig\",\"X=1\",\"q\\\"u\\\\ote\",\"zeta\");");
  EXPECT_EQ(ReadFile(modules_ + "links.js"),
            "var links=new Array(\"" + R + "/docs/x/Modules/core/core.abc/index.html#Abc\",\"" + R +
                "/p/Modules/m/index.html\",\"" + R + "/mod/core.mod/stream.mod/doc/page.html\",\"" +
                R + "/docs/html/Modules/c/index.html\",\"" + R + "/first\",\"" + R +
                "/second\",\"" + R + "/docs/html/Modules/core/core.stream/index.html#Foo\",\"" + R +
                "/docs/html/Modules/n/index.html\",\"" + R + "y\",\"" + R +
                "/docs/html/Modules/core/core.abc/index.html#Sig\",\"" + R + "x\",\"" + R +
                "/docs/html/Modules/CORE/Core.Stream/index.html\",\"" + R +
                "/docs/html/Modules/z/index.html\");");
  EXPECT_EQ(ReadFile(modules_ + "modules.js"),
            "var modules=new Array(\"core/core.abc\",\"m\",\"core.mod/stream\",\"c\",\"\",\"\","
            "\"core/core.stream\",\"n\",\"\",\"core/core.abc\",\"\",\"CORE/Core.Stream\",\"z\");");
  EXPECT_EQ(ReadFile(modules_ + "mod.js"),
            "var mods=new Array(\"\",\"c\",\"core.mod/stream\",\"core/core.abc\","
            "\"CORE/Core.Stream\",\"m\",\"n\",\"z\",\"\");");

  // The echo shares its line with the first progress line; every progress
  // line ends in CR LF.
  const std::string P = prog_;
  EXPECT_EQ(r.out, "<" + Program() + "><batch>Quandrel dir  : " + R + "\r\nDirBase       : " + R +
                       "\r\nCommands file : " + R +
                       "\\docs\\html\\Modules\\commands.txt\r\nTotal commands: 13 15\r\n\r\n"
                       "\r\nc\r\ncore.mod/stream\r\ncore/core.abc\r\nCORE/Core.Stream\r\nm\r\n"
                       "n\r\nz\r\nIndeces created...\r\nAppDir : " +
                       P + "\r\nSettings: " + P + "/config.txt\r\nCurDir : " + P +
                       "\r\nPostFile: <" + P + "/Lexidor> -----\r\nSaveText  <" + R +
                       ">\r\nFull text: 0 pages, 0 sections, "
                       "0 words, " +
                       std::to_string(ReadFile(modules_ + "textindex/g1/manifest.js").size()) +
                       " bytes in 1 file\r\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Batch, InstallsThePagesByteForByteAndRemovesStaleFiles) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  WriteFile(kit_ + "/docs/html/index.html", "the kit's own start page");
  WriteFile(kit_ + "/docs/html/modules/qdxstyle.css", "stale");
  WriteFile(kit_ + "/html/button.js", "stale");
  WriteFile(kit_ + "/html/modules/commands.html", "stale");
  // Rows files of an earlier build of a larger list.
  WriteFile(modules_ + "rows0.js", "stale");
  WriteFile(modules_ + "rows1.js", "stale");
  SetConfig(kit_);
  test::RunResult r = Run();
  ASSERT_EQ(r.exit_status, 0) << r.err;

  const std::string res = std::string(LEXIDOR_SOURCE_DIR) + "/app/resources/";
  // (Compared as a whole; a dump of two pages would bury the failure.)
  auto same = [](const std::string& installed, const std::string& source) {
    return ReadFile(installed) == ReadFile(source);
  };
  EXPECT_TRUE(same(kit_ + "/docs/html/index.html", res + "index.html"));
  EXPECT_TRUE(same(modules_ + "commands.html", res + "commands.html"));
  EXPECT_TRUE(same(modules_ + "search.js", res + "search.js"));
  EXPECT_TRUE(same(modules_ + "search.css", res + "search.css"));
  EXPECT_TRUE(same(kit_ + "/docs/html/qdxstyle.css", res + "qdxstyle.css"));
  EXPECT_TRUE(same(modules_ + "qdxstyle.css", res + "qdxstyle.css"));
  const std::string button = "document.write(\"<a href='" + Program() + "'>Rebuild index</a>\");";
  EXPECT_EQ(ReadFile(kit_ + "/docs/html/button.js"), button);
  EXPECT_EQ(ReadFile(modules_ + "button.js"), button);
  EXPECT_EQ(ReadFile(prog_ + "/button.js"), button);
  EXPECT_FALSE(Exists(kit_ + "/docs/html/modules/qdxstyle.css"));
  EXPECT_FALSE(Exists(kit_ + "/html/button.js"));
  EXPECT_FALSE(Exists(kit_ + "/html/modules/commands.html"));
  EXPECT_FALSE(Exists(modules_ + "rows0.js"));
  EXPECT_FALSE(Exists(modules_ + "rows1.js"));
}

TEST_F(Batch, AnEmptyListGivesEmptyArrays) {
  WriteFile(modules_ + "commands.txt", "");
  SetConfig(kit_);
  ASSERT_EQ(Run().exit_status, 0);
  EXPECT_EQ(ReadFile(modules_ + "command.js"), "var commands=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "links.js"), "var links=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "modules.js"), "var modules=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "mod.js"), "var mods=new Array(\"\");");
  EXPECT_EQ(ReadFile(modules_ + "first.js"),
            "var firstCommands={total:0,rowFiles:0,rowsPerFile:20000,linkStart:\"\",commands:[],links:[],modules:[]};");
}

// Up to 30,000 elements the files keep "new Array(...)"; past that, where a
// call would take too many arguments to load, an array literal holding the
// same elements.  mod.js (one element per module) keeps its form.
TEST_F(Batch, ListsPastThirtyThousandCommandsAreArrayLiterals) {
  for (int count : {30000, 30001}) {
    SCOPED_TRACE(count);
    std::string list;
    for (int i = 0; i < count; ++i) {
      list += "C" + std::to_string(100000 + i) + "|/docs/html/Modules/m/index.html\n";
    }
    WriteFile(modules_ + "commands.txt", list);
    SetConfig(kit_);
    ASSERT_EQ(Run().exit_status, 0);
    const bool literal = count > 30000;
    const std::string last = "\"C" + std::to_string(100000 + count - 1) + "\"";
    const std::string command = ReadFile(modules_ + "command.js");
    EXPECT_EQ(command.substr(0, 23),
              literal ? "var commands=[\"C100000\"" : "var commands=new Array(");
    EXPECT_EQ(command.substr(command.size() - last.size() - 2), last + (literal ? "];" : ");"));
    EXPECT_EQ(ReadFile(modules_ + "links.js").substr(0, 11), literal ? "var links=[" : "var links=n");
    EXPECT_EQ(ReadFile(modules_ + "modules.js").substr(0, 13),
              literal ? "var modules=[" : "var modules=n");
    EXPECT_EQ(ReadFile(modules_ + "mod.js"), "var mods=new Array(\"m\",\"\");");
    // The count, the two rows files and the first 120 rows.
    std::string names, links, modules;
    for (int i = 0; i < 120; ++i) {
      names += std::string(i ? "," : "") + "\"C" + std::to_string(100000 + i) + "\"";
      links += std::string(i ? "," : "") + "\"" + kit_ + "/docs/html/Modules/m/index.html\"";
      modules += std::string(i ? "," : "") + "\"m\"";
    }
    EXPECT_EQ(ReadFile(modules_ + "first.js"), "var firstCommands={total:" + std::to_string(count) +
                                                    ",rowFiles:2,rowsPerFile:20000,linkStart:\"" + kit_ + "\",commands:[" + names + "],links:[" + links +
                                                    "],modules:[" + modules + "]};");
  }
}

TEST_F(Batch, FirstRunAsksForTheKitOnTheConsoleAndStoresIt) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  RunOptions options;
  options.stdin_data = kit_ + "\n";
  test::RunResult r = Run(options);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Enter a directory name:", 0), 0u) << r.out;
  EXPECT_EQ(ReadFile(prog_ + "/config.txt"), kit_ + "\r\n0\r\n");
  EXPECT_EQ(ReadFile(modules_ + "command.js"), "var commands=new Array(\"A\");");
}

TEST_F(Batch, AKitPathBeyondAsciiIsFoundAndShownAsTyped) {
  // "jösé kit" as a UTF-8 terminal types it and the file system names it.
  const std::string kit = dir_.Sub("j\xc3\xb6s\xc3\xa9 kit");
  test::MakeDirs(kit + "/docs/html/Modules");
  WriteFile(kit + "/docs/html/Modules/commands.txt",
            "Caf\xc3\xa9|/docs/html/Modules/a/index.html\n");
  RunOptions options;
  options.stdin_data = kit + "\n";
  options.args = {"b\xc3\xa9"};
  test::RunResult r = Run(options);
  EXPECT_EQ(r.exit_status, 0) << r.out;
  EXPECT_NE(r.out.find("<" + Program() + "><b\xc3\xa9>"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(prog_ + "/config.txt"), kit + "\r\n0\r\n") << "stored as its bytes";
  EXPECT_NE(r.out.find("Quandrel dir  : " + kit + "\r\n"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(kit + "/docs/html/Modules/command.js"),
            "var commands=new Array(\"Caf\xc3\xa9\");");
  // The next run reads the stored path back and finds the kit again.
  r = Run();
  EXPECT_EQ(r.exit_status, 0) << r.out;
  EXPECT_NE(r.out.find("Commands file : " + kit + "\\docs"), std::string::npos) << r.out;
}

TEST_F(Batch, NoKitAtAllIsAFailureAndStoresTheEmptyAnswer) {
  test::RunResult r = Run();  // no config.txt, standard input at its end
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.err.find("no Quandrel kit directory"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(prog_ + "/config.txt"), "\r\n0\r\n");
}

TEST_F(Batch, AMissingCommandListIsReportedAndWritesNothing) {
  SetConfig(kit_);
  test::RunResult r = Run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.out.find("Cannot open " + modules_ + "commands.txt: No such file or directory\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(Exists(modules_ + "command.js"));
  EXPECT_FALSE(Exists(kit_ + "/docs/html/index.html"));
}

TEST_F(Batch, ACommandListThatCannotBeReadIsReportedInsteadOfHanging) {
  test::MakeDirs(modules_ + "commands.txt");  // opens, but every read fails
  SetConfig(kit_);
  RunOptions options;
  options.timeout_ms = 10000;
  test::RunResult r = Run(options);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.out.find("Cannot read " + modules_ + "commands.txt: Is a directory\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(Exists(modules_ + "command.js"));
}

TEST_F(Batch, AnOutputThatCannotBeWrittenLeavesThePreviousIndexWhole) {
  // A first, good build.
  std::string list;
  for (int i = 0; i < 200; ++i) {
    list += "Cmd" + std::to_string(i) +
            "|/docs/html/Modules/core/core.long.module.name/"
            "index.html#Cmd" +
            std::to_string(i) + "\n";
  }
  WriteFile(modules_ + "commands.txt", "Old|/docs/html/Modules/old/index.html\n");
  SetConfig(kit_);
  ASSERT_EQ(Run().exit_status, 0);
  const std::string old_commands = ReadFile(modules_ + "command.js");
  const std::string old_links = ReadFile(modules_ + "links.js");

  // The second build may write no file above 4 KB: links.js cannot be done.
  WriteFile(modules_ + "commands.txt", list);
  RunOptions options;
  options.file_size_limit = 4096;
  test::RunResult r = Run(options);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.out.find("Cannot write " + modules_ + "links.js: File too large\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ReadFile(modules_ + "command.js"), old_commands);
  EXPECT_EQ(ReadFile(modules_ + "links.js"), old_links);
  EXPECT_EQ(r.out.find("Indeces created"), std::string::npos);
  // No temporary file is left behind.
  DIR* d = opendir(modules_.c_str());
  while (dirent* e = readdir(d)) EXPECT_EQ(std::string(e->d_name).find(".tmp"), std::string::npos);
  closedir(d);
}

TEST_F(Batch, ACopyOfTheButtonScriptThatCannotBeSavedOnlyWarns) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  SetConfig(kit_);
  test::MakeDirs(prog_ + "/button.js");  // in the way of the copy beside the program
  test::RunResult r = Run();
  EXPECT_EQ(r.exit_status, 0) << r.out;
  EXPECT_NE(r.out.find("Warning: Cannot write " + prog_ + "/button.js"), std::string::npos)
      << r.out;
  EXPECT_EQ(ReadFile(kit_ + "/docs/html/button.js"),
            "document.write(\"<a href='" + Program() + "'>Rebuild index</a>\");");
}

TEST_F(Batch, AFatalSignalIsReportedWithItsNumber) {
  SetConfig(kit_);
  RunOptions options;
  options.args = std::vector<std::string>(40, "x");  // 4 s of argument echo
  options.env["DISPLAY"] = "";
  pid_t pid = test::StartProgram(Program(), options, dir_.Sub("out"), dir_.Sub("err"));
  usleep(300 * 1000);
  kill(pid, SIGTERM);
  EXPECT_EQ(test::WaitProgram(pid, 10000), 128 + SIGTERM);
  EXPECT_EQ(ReadFile(dir_.Sub("err")), "appstub.linux signal handler 15\n");
}

}  // namespace
}  // namespace lexidor
