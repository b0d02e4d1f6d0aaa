#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexidor {
namespace {

CommandLine Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "lexidor");
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, ReadsOptionsAndLeavesOtherArgumentsToTheBuild) {
  const struct {
    std::vector<std::string> arguments;
    CommandLine::Action action;
    const char* kit;  // nullptr: no --kit
    const char* error;
  } cases[] = {
      {{}, CommandLine::kRun, nullptr, ""},
      {{"batch"}, CommandLine::kRun, nullptr, ""},
      {{"-x", "-"}, CommandLine::kRun, nullptr, ""},
      {{"-h"}, CommandLine::kHelp, nullptr, ""},
      {{"batch", "--help"}, CommandLine::kHelp, nullptr, ""},
      {{"-V"}, CommandLine::kVersion, nullptr, ""},
      {{"--version", "--foo"}, CommandLine::kVersion, nullptr, ""},
      {{"--foo"}, CommandLine::kUsageError, nullptr, "unknown option '--foo'"},
      {{"--help=x"}, CommandLine::kUsageError, nullptr, "unknown option '--help=x'"},
      {{"--", "--foo", "-h"}, CommandLine::kRun, nullptr, ""},
      {{"--kit", "k dir"}, CommandLine::kRun, "k dir", ""},
      {{"--kit=/opt/q", "batch"}, CommandLine::kRun, "/opt/q", ""},
      {{"--kit", "--help"}, CommandLine::kRun, "--help", ""},
      {{"--kit"}, CommandLine::kUsageError, nullptr, "option --kit needs a directory"},
      {{"--kit="}, CommandLine::kUsageError, nullptr, "option --kit needs a directory"},
  };
  for (const auto& c : cases) {
    std::string name;
    for (const std::string& a : c.arguments) name += " " + a;
    const CommandLine line = Parse(c.arguments);
    EXPECT_EQ(line.action, c.action) << name;
    EXPECT_EQ(line.hasKit, c.kit != nullptr) << name;
    if (c.kit) {
      EXPECT_EQ(line.kit, c.kit) << name;
    }
    EXPECT_EQ(line.error, c.error) << name;
  }
}

}  // namespace
}  // namespace lexidor
