// The four script files of many random command lists, loaded by a real
// JavaScript engine (node): each file must parse, and its array must hold
// exactly the names, links and modules the build reported, in order; so
// must first.js and, for a large list, the rows files the pages load.  The
// lists hold every byte value, quotes, backslashes, CR and NUL inside
// lines, very long names, the characters the name rules cut at, in every
// position, empty names and lines with no or two "|".
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/command_index.h"
#include "app/resources.h"
#include "runtime/program_paths.h"
#include "stream/ram_stream.h"
#include "stream/text_stream.h"
#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

const char kChecker[] = R"JS(
const fs = require('fs'), vm = require('vm');
const files = [['command.js', 'commands'], ['links.js', 'links'], ['modules.js', 'modules'],
               ['mod.js', 'mods']];
let bad = 0, good = 0;
for (const dir of process.argv.slice(2)) {
  const expected = fs.readFileSync(dir + '/expect.txt', 'latin1').split('\n');
  files.forEach(([file, name], k) => {
    const where = dir + '/' + file;
    const context = {};
    vm.createContext(context);
    try {
      // One character per byte, as the files are written.
      vm.runInContext(fs.readFileSync(dir + '/docs/html/Modules/' + file, 'latin1'), context,
                      {filename: file});
    } catch (e) {
      console.log(where + ': does not run: ' + e);
      bad++;
      return;
    }
    const parts = expected[k].split(' ');
    const want = parts.slice(1).map(h => h === '-' ? '' : Buffer.from(h, 'hex').toString('latin1'));
    const got = context[name];
    if (!Array.isArray(got) || got.length !== want.length) {
      console.log(where + ': ' + (Array.isArray(got) ? got.length + ' elements' : typeof got) +
                  ', expected ' + want.length);
      bad++;
      return;
    }
    const i = got.findIndex((v, i) => v !== want[i]);
    if (i >= 0) {
      console.log(where + ': element ' + i + ' is ' + JSON.stringify(got[i]) + ', expected ' +
                  JSON.stringify(want[i]));
      bad++;
      return;
    }
    good++;
  });
  // first.js: the count and the first rows; the rows files: every record
  // (names, links, modules, and the arguments, which the lists do not hold).
  const where = dir + '/docs/html/Modules/';
  const context = {columns: [[], [], [], []]};
  vm.createContext(context);
  try {
    vm.runInContext(fs.readFileSync(where + 'first.js', 'latin1'), context);
    context.LexidorRows = (k, ...texts) => texts.forEach((t, c) => {
      if (t[0] !== '\n' || t[t.length - 1] !== '\n') throw new Error('rows' + k + '.js: column ' + c + ' unframed');
      context.columns[c] = context.columns[c].concat(t.slice(1, -1).split('\n'));
    });
    const first = context.firstCommands;
    for (let k = 0; k < first.rowFiles; k++) {
      vm.runInContext(fs.readFileSync(where + first.folder + 'rows' + k + '.js', 'latin1'), context, {filename: 'rows' + k + '.js'});
    }
    const problems = [];
    [first.commands, first.links, first.modules].forEach((rows, c) => {
      const want = expected[c].split(' ').slice(1).map(h => h === '-' ? '' : Buffer.from(h, 'hex').toString('latin1'));
      if (first.total !== want.length) problems.push('total ' + first.total + ', expected ' + want.length);
      if (JSON.stringify(rows) !== JSON.stringify(want.slice(0, 120))) problems.push('first rows of column ' + c);
      if (want.length >= 10000 && !first.rowFiles) problems.push('no rows files');
      const built = c == 1 ? context.columns[c].map(v => first.linkStart + v) : context.columns[c];
      if (first.rowFiles && JSON.stringify(built) !== JSON.stringify(want)) problems.push('rows of column ' + c);
    });
    if (problems.length) throw new Error(problems.join('; '));
    good++;
  } catch (e) {
    console.log(where + 'first.js and rows: ' + e.message);
    bad++;
  }
}
console.log(good + ' passed, ' + bad + ' failed');
process.exit(bad ? 1 : 0);
)JS";

// Pieces that lines are made of: the characters the parser and the name
// rules look for, in every position, and random bytes of every value.
std::string RandomLine(std::mt19937& random) {
  static const char* const kPieces[] = {
      "|",  "||", ":",        "[]",    "[",     "]",    "=",    "(",     ")",    "\"",
      "\\", "\\\\", "\\\"",   "\r",    "" /* NUL */, "Modules/", "index",
      ".mod", "mod", "/",     ".",     " ",     "'",    "</script>", "\xe9", "\xff",
      "\x80", "\x7f", "\x01", "\t",    "a",     "Z",    "Print", "html"};
  std::string line;
  const int pieces = std::uniform_int_distribution<int>(0, 14)(random);
  for (int i = 0; i < pieces; ++i) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind < 6) {
      const size_t n = sizeof kPieces / sizeof kPieces[0];
      const char* piece = kPieces[std::uniform_int_distribution<size_t>(0, n - 1)(random)];
      line += *piece ? std::string(piece) : std::string(1, '\0');
    } else if (kind < 9) {
      // Any byte but LF, which would end the line.
      int byte;
      do byte = std::uniform_int_distribution<int>(0, 255)(random); while (byte == '\n');
      line.push_back(static_cast<char>(byte));
    } else if (std::uniform_int_distribution<int>(0, 20)(random) == 0) {
      line += std::string(std::uniform_int_distribution<int>(1000, 20000)(random), 'n');
    }
  }
  return line;
}

std::string Hex(std::string_view bytes) {
  if (bytes.empty()) return "-";
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

TEST(ScriptsInNode, RandomListsGiveScriptsHoldingExactlyTheBuiltRecords) {
  const std::string node = test::NodeBinary();
  ASSERT_NE(node, "") << "node is not installed (scripts/install-deps installs nodejs)";

  test::TempDir dir("lexidor-node");
  const String program = FromLatin1(dir.path());
  SetProgramPaths(program, program + u"/Lexidor", {program + u"/Lexidor"});
  InitRamStreamModule();
  InitTextStreamModule();
  RegisterResourceFiles();

  std::mt19937 random(20261209);
  std::string kits;
  const int kLists = 40;
  for (int k = 0; k < kLists; ++k) {
    const std::string kit = dir.Sub("kit" + std::to_string(k));
    std::string list;
    // The first list is empty; the last is past what a `new Array(...)` call
    // can take in node, and fills more than one rows file.
    const int lines = k == 0               ? 0
                      : k == kLists - 1 ? 60000
                                        : std::uniform_int_distribution<int>(1, 300)(random);
    for (int i = 0; i < lines; ++i) {
      list += RandomLine(random);
      list += std::uniform_int_distribution<int>(0, 3)(random) == 0 ? "\r\n" : "\n";
    }
    if (k % 2) list += RandomLine(random);  // a last line without its end
    test::WriteFile(kit + "/docs/html/Modules/commands.txt", list);

    AppState& app = App();
    app.rootPath = FromLatin1(kit);
    ClearModuleMap();
    ASSERT_EQ(ToUtf8(BuildIndex()), "") << "list " << k;

    std::string columns[3], mods;
    for (const tcommand& record : app.commandList) {
      columns[0] += " " + Hex(record.comando);
      columns[1] += " " + Hex(record.link);
      columns[2] += " " + Hex(record.Modules);
    }
    for (const auto& entry : app.moduleMap) mods += " " + Hex(entry.second.Record().Modules);
    mods += " -";  // mod.js always ends with an empty element
    const std::string count = std::to_string(app.commandList.Count());
    test::WriteFile(kit + "/expect.txt", count + columns[0] + "\n" + count + columns[1] + "\n" +
                                             count + columns[2] + "\n" + "m" + mods + "\n");
    kits += " '" + kit + "'";
  }
  test::WriteFile(dir.Sub("check.js"), kChecker);
  const std::string command = "'" + node + "' '" + dir.Sub("check.js") + "'" + kits + " 2>&1";
  FILE* run = popen(command.c_str(), "r");
  ASSERT_TRUE(run);
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, run)) output.append(buffer, n);
  const int status = pclose(run);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find(std::to_string(kLists * 5) + " passed, 0 failed"), std::string::npos)
      << output;
}

}  // namespace
}  // namespace lexidor
