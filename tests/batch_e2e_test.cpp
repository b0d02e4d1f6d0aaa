// The built program in batch mode, run as a user runs it, on temporary kits.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::ReadFile;
using test::RunOptions;
using test::RunProgram;
using test::WriteFile;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// first.js of the kit whose Modules folder is `modules`, with the name of
// the folder it loads the lists from cut out once that folder is found.
std::string FirstScript(const std::string& modules) {
  std::string text = ReadFile(modules + "first.js");
  std::smatch found;
  const std::regex folder(",folder:\"(lexidor-index-[0-9]+-[0-9a-f]{16})/\"");
  if (!std::regex_search(text, found, folder)) {
    return "no folder in: " + text;
  }
  if (!Exists(modules + found[1].str() + "/command.js")) return "no lists in " + found[1].str();
  return text.erase(found.position(0), found.length(0));
}

// The names in `dir` that are temporary files or build folders.
std::vector<std::string> BuildNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.find("lexidor-") != std::string::npos || name.find(".tmp") != std::string::npos) {
      names.push_back(name);
    }
  }
  closedir(d);
  return names;
}

// The names in `dir`, in order.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) names.push_back(e->d_name);
  if (d) closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

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
  // The pages' own list carries each command's arguments.
  EXPECT_NE(FirstScript(modules_).find("],args:[\"\",\"\",\"\",\"\",\"\",\"\",\"(a)\",\"\",\"\",\"("
                                       "a, b)\",\"\",\"\",\"\"],heads:[]};"),
            std::string::npos);

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
  const std::string pages = std::string(LEXIDOR_BINARY_DIR) + "/app/pages/";
  EXPECT_TRUE(same(kit_ + "/docs/html/index.html", pages + "index.html"));
  EXPECT_TRUE(same(modules_ + "commands.html", pages + "commands.html"));
  EXPECT_TRUE(same(modules_ + "search.js", pages + "search.js"));
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

  // A rebuild leaves the pages that hold these bytes already as they are,
  // the ones also named as stale among them, but not one that has a name
  // elsewhere too (a kit copied as hard links): that one is replaced.
  const std::string shared = dir_.Sub("shared.css");
  ASSERT_EQ(link((modules_ + "search.css").c_str(), shared.c_str()), 0);
  struct stat before, after, css, sharedCss;
  ASSERT_EQ(stat((kit_ + "/docs/html/index.html").c_str(), &before), 0);
  ASSERT_EQ(Run().exit_status, 0);
  ASSERT_EQ(stat((kit_ + "/docs/html/index.html").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  ASSERT_EQ(stat((modules_ + "search.css").c_str(), &css), 0);
  ASSERT_EQ(stat(shared.c_str(), &sharedCss), 0);
  EXPECT_NE(css.st_ino, sharedCss.st_ino);
  EXPECT_EQ(css.st_nlink, 1u);
  EXPECT_TRUE(same(modules_ + "search.css", res + "search.css"));
  EXPECT_TRUE(same(shared, res + "search.css"));
  EXPECT_TRUE(same(kit_ + "/docs/html/index.html", pages + "index.html"));
  EXPECT_TRUE(same(kit_ + "/docs/html/qdxstyle.css", res + "qdxstyle.css"));
  EXPECT_EQ(ReadFile(modules_ + "button.js"), button);
}

// "modules" a link to "Modules": the stale "modules/qdxstyle.css" is the
// style sheet just installed, and stays.
TEST_F(Batch, AStaleFileThatIsAnInstalledOneIsKept) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  ASSERT_EQ(symlink("Modules", (kit_ + "/docs/html/modules").c_str()), 0);
  SetConfig(kit_);
  ASSERT_EQ(Run().exit_status, 0);
  EXPECT_EQ(ReadFile(modules_ + "qdxstyle.css"),
            ReadFile(std::string(LEXIDOR_SOURCE_DIR) + "/app/resources/qdxstyle.css"));
}

// In a kit others may write, a link planted by another user does not
// redirect the build into the user's files: the build names it and stops.
TEST_F(Batch, ALinkPlantedByAnotherUserIsRefusedAndNamed) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  WriteFile(dir_.Sub("victim"), "precious");
  const std::string planted = kit_ + "/docs/html/index.html";
  ASSERT_EQ(symlink(dir_.Sub("victim").c_str(), planted.c_str()), 0);
  if (lchown(planted.c_str(), geteuid() == 65534 ? 65533 : 65534, -1) != 0) {
    GTEST_SKIP() << "needs to run as root to give a link to another user";
  }
  SetConfig(kit_);
  test::RunResult r = Run();
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.out.find("Cannot write " + planted + ": " + planted +
                       " is a symbolic link that belongs to another user; not followed\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ReadFile(dir_.Sub("victim")), "precious");
  EXPECT_FALSE(Exists(modules_ + "first.js"));
}

// A program folder whose name holds "\" or "::" keeps its settings in
// that folder, as it is named.
TEST_F(Batch, AProgramFolderNamedWithBackslashOrColonsUsesItsOwnSettings) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  for (const std::string name : {"a\\b", "x::y"}) {
    const std::string folder = dir_.Sub(name);
    test::MakeDirs(folder);
    test::CopyFile(Program(), folder + "/Lexidor");
    chmod((folder + "/Lexidor").c_str(), 0755);
    WriteFile(folder + "/config.txt", kit_ + "\r\n0\r\n");
    RunOptions options;
    options.args = {"batch"};
    options.env["DISPLAY"] = "";
    test::RunResult r = RunProgram(folder + "/Lexidor", options);
    EXPECT_EQ(r.exit_status, 0) << name << r.out << r.err;
    EXPECT_NE(r.out.find("Total commands: 1 1"), std::string::npos) << name;
    EXPECT_NE(ReadFile(folder + "/button.js").find("/Lexidor'>Rebuild index"), std::string::npos);
  }
  EXPECT_FALSE(Exists(dir_.Sub("a/b")));
}

TEST_F(Batch, AnEmptyListGivesEmptyArrays) {
  WriteFile(modules_ + "commands.txt", "");
  SetConfig(kit_);
  ASSERT_EQ(Run().exit_status, 0);
  EXPECT_EQ(ReadFile(modules_ + "command.js"), "var commands=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "links.js"), "var links=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "modules.js"), "var modules=new Array();");
  EXPECT_EQ(ReadFile(modules_ + "mod.js"), "var mods=new Array(\"\");");
  EXPECT_EQ(FirstScript(modules_),
            "var "
            "firstCommands={total:0,rowFiles:0,rowsPerFile:20000,linkStart:\"\",commands:[],links:["
            "],modules:[],args:[],heads:[]};");
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
    EXPECT_EQ(ReadFile(modules_ + "links.js").substr(0, 11),
              literal ? "var links=[" : "var links=n");
    EXPECT_EQ(ReadFile(modules_ + "modules.js").substr(0, 13),
              literal ? "var modules=[" : "var modules=n");
    EXPECT_EQ(ReadFile(modules_ + "mod.js"), "var mods=new Array(\"m\",\"\");");
    // The count, the two rows files, the first 120 rows and each rows
    // file's initials.
    std::string names, links, modules, args;
    for (int i = 0; i < 120; ++i) {
      args += i ? ",\"\"" : "\"\"";
      names += std::string(i ? "," : "") + "\"C" + std::to_string(100000 + i) + "\"";
      links += std::string(i ? "," : "") + "\"" + kit_ + "/docs/html/Modules/m/index.html\"";
      modules += std::string(i ? "," : "") + "\"m\"";
    }
    EXPECT_EQ(FirstScript(modules_), "var firstCommands={total:" + std::to_string(count) +
                                         ",rowFiles:2,rowsPerFile:20000,linkStart:\"" + kit_ +
                                         "\",commands:[" + names + "],links:[" + links +
                                         "],modules:[" + modules + "],args:[" + args +
                                         "],heads:[\"C\",\"C\"]};");
  }
}

// The generation folder first.js names in `modules`; "" for none.
std::string GenerationFolder(const std::string& modules) {
  std::smatch found;
  const std::string text = ReadFile(modules + "first.js");
  const std::regex folder(",folder:\"(lexidor-index-[0-9]+-[0-9a-f]{16})/\"");
  return std::regex_search(text, found, folder) ? modules + found[1].str() + "/" : "";
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A rebuild whose name index files come out as the installed ones takes
// those files (the same inode, under a second name in the new folder, and
// the copy in Modules/ left where it is), but never one that has a name
// elsewhere (a kit copied as hard links) or that is a link; and whatever it
// takes or writes, its files hold the bytes a build from nothing writes.
TEST_F(Batch, ARebuildKeepsTheInstalledListsThatItsOwnAreAndWritesTheRest) {
  SetConfig(kit_);
  const std::vector<std::string> fixed = {"command.js", "links.js", "modules.js", "mod.js"};
  auto list = [](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += "C" + std::to_string(100000 + i) + "|/docs/html/Modules/m" + std::to_string(i % 7) +
              "/index.html#C" + std::to_string(i) + "\n";
    }
    return text;
  };
  // Every file of the name index: the generation's by name, first.js
  // without the folder's name.
  auto files = [&] {
    std::map<std::string, std::string> out;
    for (const std::string& name : Listing(GenerationFolder(modules_))) {
      if (name[0] != '.' && name != "first.js") {
        out[name] = ReadFile(GenerationFolder(modules_) + name);
      }
    }
    for (const std::string& name : fixed) out["Modules/" + name] = ReadFile(modules_ + name);
    out["first.js"] = FirstScript(modules_);
    return out;
  };
  // What a build of the same list writes with no index installed.
  const std::string aside = kit_ + "/docs/html/Modules.aside";
  auto fresh = [&] {
    EXPECT_EQ(rename(modules_.c_str(), aside.c_str()), 0);
    test::MakeDirs(modules_);
    test::CopyFile(aside + "/commands.txt", modules_ + "commands.txt");
    EXPECT_EQ(Run().exit_status, 0);
    const auto out = files();
    test::RemoveTree(modules_);
    EXPECT_EQ(rename(aside.c_str(), modules_.c_str()), 0);
    return out;
  };
  WriteFile(modules_ + "commands.txt", list(25000));
  ASSERT_EQ(Run().exit_status, 0);
  std::string gen = GenerationFolder(modules_);
  const auto first = files();
  ASSERT_EQ(first.count("rows1.js"), 1u);
  // Each step: the list, what is done to the installed files before the
  // rebuild, and the files the rebuild takes (by their names in the
  // generation folder) rather than writes.
  const std::string shared = dir_.Sub("shared"), planted = dir_.Sub("planted");
  struct Step {
    int commands;
    std::function<void()> before;
    std::vector<std::string> taken;
  } steps[] = {
      {25000, [] {}, {"command.js", "links.js", "modules.js", "mod.js", "rows0.js", "rows1.js"}},
      {25000,
       [&] {
         // A kit copied as hard links shares these; one file is now a link.
         ASSERT_EQ(link((modules_ + "command.js").c_str(), (shared + "-command.js").c_str()), 0);
         ASSERT_EQ(link((gen + "rows0.js").c_str(), (shared + "-rows0.js").c_str()), 0);
         test::CopyFile(gen + "rows1.js", planted);
         ASSERT_EQ(unlink((gen + "rows1.js").c_str()), 0);
         ASSERT_EQ(symlink(planted.c_str(), (gen + "rows1.js").c_str()), 0);
       },
       {"links.js", "modules.js", "mod.js"}},
      {25001, [] {}, {"mod.js", "rows0.js"}},  // one more command: a longer file
      {24990, [] {}, {"mod.js", "rows0.js"}},  // fewer: shorter files
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.commands);
    WriteFile(modules_ + "commands.txt", list(step.commands));
    step.before();
    std::map<std::string, ino_t> before;
    for (const std::string& name : Listing(gen)) before[name] = Inode(gen + name);
    ASSERT_EQ(Run().exit_status, 0);
    const std::string now = GenerationFolder(modules_);
    ASSERT_NE(now, gen);
    for (const auto& [name, inode] : before) {
      if (name[0] == '.' || name == "first.js") continue;
      const bool taken = std::find(step.taken.begin(), step.taken.end(), name) != step.taken.end();
      EXPECT_EQ(Inode(now + name) == inode, taken) << name;
      if (std::find(fixed.begin(), fixed.end(), name) != fixed.end()) {
        EXPECT_EQ(Inode(modules_ + name), Inode(now + name)) << name;
      }
    }
    EXPECT_EQ(files(), fresh());
    gen = now;
  }
  // The files shared or linked to stay as they were.
  EXPECT_EQ(ReadFile(shared + "-command.js"), first.at("command.js"));
  EXPECT_EQ(ReadFile(shared + "-rows0.js"), first.at("rows0.js"));
  EXPECT_EQ(ReadFile(planted), first.at("rows1.js"));
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

TEST_F(Batch, AKitFolderNamedWithBackslashOrColonsIsReadAsNamed) {
  for (const std::string name : {"a\\b", "x::y"}) {
    const std::string kit = dir_.Sub(name);
    test::MakeDirs(kit + "/docs/html/Modules");
    WriteFile(kit + "/docs/html/Modules/commands.txt", "N|/docs/html/Modules/n/index.html\n");
    SetConfig(kit);
    test::RunResult r = Run();
    EXPECT_EQ(r.exit_status, 0) << name << r.out;
    EXPECT_NE(r.out.find("Total commands: 1 1"), std::string::npos) << name << r.out;
    EXPECT_EQ(ReadFile(kit + "/docs/html/Modules/command.js"), "var commands=new Array(\"N\");");
    EXPECT_NE(r.out.find("Full text: 0 pages"), std::string::npos) << name << r.out;
    EXPECT_TRUE(Exists(kit + "/docs/html/Modules/textindex.js")) << name;
  }
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

// A list that is not a regular file is refused, the build fails and the
// good index stays: a FIFO without a writer does not hang the build, and a
// device is not read as an empty list.
TEST_F(Batch, ACommandListThatIsNotARegularFileIsRefusedAndTheIndexKept) {
  SetConfig(kit_);
  const std::string list = modules_ + "commands.txt";
  const struct {
    const char* kind;
    std::function<int()> make;
  } cases[] = {
      {"a FIFO", [&] { return mkfifo(list.c_str(), 0600); }},
      {"a device", [&] { return symlink("/dev/zero", list.c_str()); }},
  };
  for (const auto& c : cases) {
    WriteFile(list, "Good|/docs/html/Modules/good/index.html\n");
    ASSERT_EQ(Run().exit_status, 0);
    const std::string good = ReadFile(modules_ + "command.js");
    ASSERT_EQ(unlink(list.c_str()), 0);
    ASSERT_EQ(c.make(), 0);
    RunOptions options;
    options.timeout_ms = 10000;
    test::RunResult r = Run(options);
    EXPECT_FALSE(r.timed_out) << c.kind;
    EXPECT_EQ(r.exit_status, 1) << c.kind;
    EXPECT_NE(r.out.find("Cannot read " + list + ": not a regular file (" + c.kind + ")\r\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(ReadFile(modules_ + "command.js"), good) << c.kind;
    ASSERT_EQ(unlink(list.c_str()), 0);
  }
}

// Two builds of one kit never run at once: a second one says that it waits,
// builds nothing meanwhile, and builds once the first is done.
TEST_F(Batch, ASecondBuildOfAKitWaitsForTheFirst) {
  WriteFile(modules_ + "commands.txt", "A|/docs/html/Modules/a/index.html\n");
  SetConfig(kit_);
  // The first build, played by a lock on the kit's folder.
  const int held = open(kit_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  RunOptions options;
  options.args = {"batch"};
  options.env["DISPLAY"] = "";
  const std::string out = dir_.Sub("out"), err = dir_.Sub("err");
  const pid_t pid = test::StartProgram(Program(), options, out, err);
  const std::string waiting = "\r\nWaiting for another build of " + kit_ + " to finish....\r\n";
  for (int k = 0; k < 500 && ReadFile(out).find(waiting) == std::string::npos; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(ReadFile(out).find(waiting), std::string::npos) << ReadFile(out);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(Exists(modules_ + "command.js")) << "built while the kit was locked";
  close(held);
  EXPECT_EQ(test::WaitProgram(pid, 20000), 0) << ReadFile(err);
  EXPECT_EQ(ReadFile(modules_ + "command.js"), "var commands=new Array(\"A\");");
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
  const std::string old_pointer = ReadFile(modules_ + "textindex.js");
  const std::vector<std::string> old_text = Listing(modules_ + "textindex");

  // The second build may write no file above 4 KB: links.js cannot be done.
  WriteFile(modules_ + "commands.txt", list);
  RunOptions options;
  options.file_size_limit = 4096;
  test::RunResult r = Run(options);
  EXPECT_EQ(r.exit_status, 1);
  const std::regex failed("\nCannot write " + modules_ +
                          "lexidor-index-[0-9a-f-]+/links.js: File too large\r\n");
  EXPECT_TRUE(std::regex_search(r.out, failed)) << r.out;
  EXPECT_EQ(ReadFile(modules_ + "command.js"), old_commands);
  EXPECT_EQ(ReadFile(modules_ + "links.js"), old_links);
  EXPECT_EQ(r.out.find("Indeces created"), std::string::npos);
  // The text index, built beside the name index, wrote nothing.
  EXPECT_EQ(ReadFile(modules_ + "textindex.js"), old_pointer);
  EXPECT_EQ(Listing(modules_ + "textindex"), old_text);
  // No temporary file is left behind, and only the folder of the first build.
  EXPECT_EQ(BuildNames(modules_).size(), 1u);
  EXPECT_NE(FirstScript(modules_).find("\"Old\""), std::string::npos);
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
  // The list is read and the page indexed during the echo; the signal comes
  // before anything may be written.
  WriteFile(modules_ + "commands.txt", "Cmd|/docs/html/Modules/m/page.html#Cmd\n");
  test::MakeDirs(modules_ + "m");
  WriteFile(modules_ + "m/page.html", "<a name=Cmd></a><h2>Cmd</h2>draws things");
  SetConfig(kit_);
  RunOptions options;
  options.args = std::vector<std::string>(40, "x");  // 4 s of argument echo
  options.env["DISPLAY"] = "";
  pid_t pid = test::StartProgram(Program(), options, dir_.Sub("out"), dir_.Sub("err"));
  usleep(300 * 1000);
  kill(pid, SIGTERM);
  EXPECT_EQ(test::WaitProgram(pid, 10000), 128 + SIGTERM);
  EXPECT_EQ(ReadFile(dir_.Sub("err")), "appstub.linux signal handler 15\n");
  EXPECT_FALSE(Exists(modules_ + "textindex"));
  EXPECT_TRUE(BuildNames(modules_).empty());
}

}  // namespace
}  // namespace lexidor
