// The command-line splitter that starts builders: any text splits, and the
// tokens it gives describe the line faithfully.
#include <string>
#include <vector>

#include "process/spawn.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// A line that splits into `tokens` again: a token that holds a blank, is
// empty or starts with a quote is written quoted (the splitter never gives
// one that holds a quote as well), any other as it is.
std::string Join(const std::vector<std::string>& tokens) {
  std::string line;
  for (const std::string& token : tokens) {
    if (!line.empty()) line += ' ';
    if (token.empty() || token.find(' ') != std::string::npos || token[0] == '"') {
      line += '"' + token + '"';
    } else {
      line += token;
    }
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> tokens = lexidor::SplitCommandLine(line);

  size_t bytes = 0;
  for (const std::string& token : tokens) bytes += token.size();
  FUZZ_CHECK(bytes + tokens.size() <= line.size() + tokens.size() * 2, "tokens longer than the line");
  for (const std::string& token : tokens) {
    // A quoted token ends at the next quote, an unquoted one at a blank.
    const bool quoted = token.empty() || token.find(' ') != std::string::npos;
    if (quoted) FUZZ_CHECK(token.find('"') == std::string::npos, "quote inside a quoted token");
    FUZZ_CHECK(line.find(token) != std::string::npos, "token not taken from the line");
  }
  // Blanks alone give no token; anything else gives at least one.
  FUZZ_CHECK(tokens.empty() == (line.find_first_not_of(' ') == std::string::npos),
             "tokens for a blank line or none for a non-blank one");
  FUZZ_CHECK(lexidor::SplitCommandLine(Join(tokens)) == tokens, "joined tokens split differently");

  std::vector<std::string> copy = tokens;
  const std::vector<char*> argv = lexidor::ArgumentVector(copy);
  FUZZ_CHECK(argv.size() == tokens.size() + 1 && argv.back() == nullptr, "argument vector");
  return 0;
}
