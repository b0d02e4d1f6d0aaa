#include "app/command_index.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "app/app_state.h"
#include "app/resources.h"
#include "runtime/program_paths.h"
#include "stream/ram_stream.h"
#include "stream/text_stream.h"

namespace lexidor {
namespace {

TEST(AppendScriptString, EscapesOnlyBackslashAndQuote) {
  const struct {
    std::string_view text;
    const char* script;
  } cases[] = {
      {std::string_view(), "\"\""},  // an empty view without data
      {"", "\"\""},
      {"plain", "\"plain\""},
      {"a\\b\"c", "\"a\\\\b\\\"c\""},
      {"\"\\", "\"\\\"\\\\\""},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendScriptString(out, c.text);
    EXPECT_EQ(out, std::string("x") + c.script) << c.text;
  }
}

// A build whose read failed leaves its last record waiting to be filed in
// the module map; the next build files that record, not the one that the
// new list happens to hold at the same index.
TEST(BuildIndex, FilesARecordLeftPendingByAnEarlierBuildUnderItsOwnModule) {
  char pattern[] = "/tmp/lexidor-build-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::string dir = pattern, modules = dir + "/kit/docs/html/Modules/";
  for (const char* part : {"/kit", "/kit/docs", "/kit/docs/html", "/kit/docs/html/Modules"}) {
    ASSERT_EQ(mkdir((dir + part).c_str(), 0700), 0);
  }
  SetProgramPaths(FromLatin1(dir), FromLatin1(dir + "/Lexidor"), {});
  InitRamStreamModule();
  InitTextStreamModule();
  RegisterResourceFiles();
  std::ofstream(modules + "commands.txt") << "n2|Modules/m2/index.html\n";

  AppState& app = App();
  ClearModuleMap();
  app.commandList.Clear();
  AddCommand("n1", "link", 0, "m1");
  app.rootPath = FromLatin1(dir + "/kit/");
  ASSERT_EQ(ToUtf8(BuildIndex()), "");
  std::ifstream in(modules + "mod.js", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "var mods=new Array(\"m1\",\"m2\",\"\");");
  system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace lexidor
