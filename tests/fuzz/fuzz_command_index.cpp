// commands.txt as any kit may carry it, through the whole index build in a
// scratch kit tree: the build succeeds, and the four script files are
// well-formed arrays that hold exactly the records the build reported, in
// order.
#include <errno.h>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/app_state.h"
#include "app/command_index.h"
#include "app/resources.h"
#include "runtime/program_paths.h"
#include "stream/ram_stream.h"
#include "stream/text_stream.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;

namespace {

const std::string& KitRoot() {
  static const std::string root = [] {
    const std::string scratch = fuzz::ScratchFolder();
    const String folder = FromLatin1(scratch);
    // The program "stands" in the scratch folder: button.js goes there.
    SetProgramPaths(folder, folder + u"/Lexidor", {folder + u"/Lexidor"});
    InitRamStreamModule();
    InitTextStreamModule();
    RegisterResourceFiles();
    const std::string kit = scratch + "/kit";
    for (const char* part : {"", "/docs", "/docs/html", "/docs/html/Modules"}) {
      FUZZ_CHECK(mkdir((kit + part).c_str(), 0700) == 0 || errno == EEXIST, kit + part);
    }
    return kit;
  }();
  return root;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  FUZZ_CHECK(in.good(), "cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The elements of "var <name>=new Array(...);" or "var <name>=[...];" whose
// elements are double-quoted strings where only "\" and the quote are
// escaped.  Any other shape, or a line end inside (which ends a script
// string), fails the check.
std::vector<std::string> ParseArray(const std::string& text, const std::string& name) {
  const std::string call = "var " + name + "=new Array(", literal = "var " + name + "=[";
  size_t at;
  std::string closing;
  if (text.compare(0, call.size(), call) == 0) {
    at = call.size();
    closing = ");";
  } else {
    FUZZ_CHECK(text.compare(0, literal.size(), literal) == 0, name + ": opening");
    at = literal.size();
    closing = "];";
  }
  std::vector<std::string> elements;
  if (text.compare(at, closing.size(), closing) != 0) {
    for (;;) {
      FUZZ_CHECK(at < text.size() && text[at] == '"', name + ": element start");
      std::string element;
      for (++at;; ++at) {
        FUZZ_CHECK(at < text.size(), name + ": unterminated string");
        const char c = text[at];
        FUZZ_CHECK(c != '\n' && c != '\r', name + ": line end inside a string");
        if (c == '"') break;
        if (c == '\\') {
          ++at;
          FUZZ_CHECK(at < text.size() && (text[at] == '\\' || text[at] == '"'),
                     name + ": escape");
        }
        element.push_back(text[at]);
      }
      ++at;
      elements.push_back(element);
      if (at < text.size() && text[at] == ',') {
        ++at;
        continue;
      }
      break;
    }
  }
  FUZZ_CHECK(text.compare(at, std::string::npos, closing) == 0, name + ": closing");
  return elements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& kit = KitRoot();
  {
    std::ofstream out(kit + "/docs/html/Modules/commands.txt", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good(), "cannot write commands.txt");
  }
  AppState& app = App();
  app.rootPath = FromLatin1(kit);
  // One build per input, as at program start: the module map of earlier
  // inputs would otherwise grow without end.
  ClearModuleMap();
  const String error = BuildIndex();
  FUZZ_CHECK(error.empty(), ToUtf8(error));

  const TCommandList& list = app.commandList;
  const std::string modules = kit + "/docs/html/Modules/";
  const std::vector<std::string> names = ParseArray(ReadFile(modules + "command.js"), "commands");
  const std::vector<std::string> links = ParseArray(ReadFile(modules + "links.js"), "links");
  const std::vector<std::string> mods = ParseArray(ReadFile(modules + "modules.js"), "modules");
  FUZZ_CHECK(names.size() == list.Count() && links.size() == list.Count() &&
                 mods.size() == list.Count(),
             "array lengths differ from the record count");
  for (size_t i = 0; i < list.Count(); ++i) {
    FUZZ_CHECK(names[i] == list[i].comando, "name " + std::to_string(i));
    FUZZ_CHECK(links[i] == list[i].link, "link " + std::to_string(i));
    FUZZ_CHECK(mods[i] == list[i].Modules, "module " + std::to_string(i));
    if (i > 0) FUZZ_CHECK(list[i - 1].comando <= list[i].comando, "names out of order");
  }
  std::vector<std::string> expected;
  for (const auto& entry : app.moduleMap) expected.emplace_back(entry.second.Record().Modules);
  expected.emplace_back();
  FUZZ_CHECK(ParseArray(ReadFile(modules + "mod.js"), "mods") == expected, "mod.js");
  return 0;
}
