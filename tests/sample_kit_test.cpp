// The sample kit under examples/kit: its documentation builder and the
// command list it carries.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/browser_support.h"

namespace lexidor {
namespace {

const std::string kKit = std::string(LEXIDOR_SOURCE_DIR) + "/examples/kit";
const char kList[] = "/docs/html/Modules/commands.txt";

struct ScriptRun {
  int status = -1;  // exit status, -1 when it did not end normally
  std::string output;
};

// Runs the kit's docbake from an unrelated working directory, with the
// given environment assignments in front.
ScriptRun RunDocbake(const std::string& kit, const std::string& env = "") {
  std::string command = "cd / && " + env + " '" + kit + "/bin/docbake' 2>&1";
  ScriptRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

TEST(SampleKitTest, DocbakeReproducesTheCommittedListAndReportsEachModule) {
  test::TempDir dir("lexidor-kit");
  const std::string kit = dir.Sub("kit");
  test::CopyTree(kKit, kit);
  const std::string committed = test::ReadFile(kit + kList);
  test::WriteFile(kit + kList, "stale\r\n");

  ScriptRun run = RunDocbake(kit);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(test::ReadFile(kit + kList), committed);

  std::vector<std::string> lines = Lines(run.output);
  int module_lines = 0;
  for (const std::string& line : lines) {
    if (line.find("docbake: core/core.stream ") == 0) {
      EXPECT_EQ(line, "docbake: core/core.stream 23 commands");
    }
    if (line.find(" commands") != std::string::npos && line.find('/') != std::string::npos &&
        line.find(" from ") == std::string::npos) {
      ++module_lines;
    }
  }
  EXPECT_EQ(module_lines, 20) << run.output;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            "docbake: 330 commands from 20 modules in docs/html/Modules/commands.txt");
  // No work file left behind beside the list.
  DIR* modules = opendir((kit + "/docs/html/Modules").c_str());
  ASSERT_NE(modules, nullptr);
  while (struct dirent* entry = readdir(modules)) {
    std::string name = entry->d_name;
    EXPECT_TRUE(name.find("commands.txt") != 0 || name == "commands.txt") << name;
  }
  closedir(modules);
}

TEST(SampleKitTest, DocbakeWaitsAfterEachModuleWhenAskedTo) {
  test::TempDir dir("lexidor-kit");
  const std::string kit = dir.Sub("kit");
  test::CopyTree(kKit, kit);
  auto start = std::chrono::steady_clock::now();
  ScriptRun run = RunDocbake(kit, "DOCBAKE_DELAY=0.05");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_GE(seconds, 20 * 0.05);
}

TEST(SampleKitTest, DocbakeRefusesABadDelayAndKeepsTheList) {
  test::TempDir dir("lexidor-kit");
  const std::string kit = dir.Sub("kit");
  test::CopyTree(kKit, kit);
  const std::string committed = test::ReadFile(kit + kList);
  for (const char* delay : {"abc", "1.2.3", "-1"}) {
    SCOPED_TRACE(delay);
    ScriptRun run = RunDocbake(kit, std::string("DOCBAKE_DELAY=") + delay);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("DOCBAKE_DELAY"), std::string::npos) << run.output;
    EXPECT_EQ(test::ReadFile(kit + kList), committed);
  }
}

TEST(SampleKitTest, DocbakeFailsClearlyWithoutModulePages) {
  test::TempDir dir("lexidor-kit");
  const std::string kit = dir.Sub("kit");
  test::CopyTree(kKit + "/bin", kit + "/bin");
  ScriptRun run = RunDocbake(kit);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(kit + "/docs/html/Modules"), std::string::npos) << run.output;
}

// Every line of the list leads to an existing page and an anchor on it, and
// the list uses every form of line the index builder reads.
TEST(SampleKitTest, EveryListedCommandLeadsToItsPage) {
  const std::string list = test::ReadFile(kKit + kList);
  std::vector<std::string> lines = Lines(list);
  ASSERT_GE(lines.size(), 300u);
  bool three_fields = false, mod_link = false, backslashes = false, constant = false;
  bool array = false, lower_case = false;
  for (std::string line : lines) {
    SCOPED_TRACE(line);
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    std::string::size_type bar = line.rfind('|');
    ASSERT_NE(bar, std::string::npos);
    std::string name = line.substr(0, bar);
    std::string link = line.substr(bar + 1);
    three_fields |= name.find('|') != std::string::npos;
    mod_link |= link.find(".mod/") != std::string::npos;
    backslashes |= link.find('\\') != std::string::npos;
    constant |= name.find('=') != std::string::npos;
    array |= name.find("[]") != std::string::npos;
    lower_case |= name[0] >= 'a' && name[0] <= 'z';
    for (char& c : link) {
      if (c == '\\') c = '/';
    }
    std::string::size_type hash = link.find('#');
    ASSERT_NE(hash, std::string::npos);
    std::string page = test::ReadFile(kKit + link.substr(0, hash));
    std::string anchor = link.substr(hash + 1);
    EXPECT_NE(page.find("name=\"" + anchor + "\""), std::string::npos);
  }
  EXPECT_TRUE(three_fields && mod_link && backslashes && constant && array && lower_case);
}

}  // namespace
}  // namespace lexidor
