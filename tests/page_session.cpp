#include "tests/page_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/program_runner.h"

namespace lexidor {
namespace test {

std::string CommandHref(const std::string& link) {
  std::string::size_type hash = link.rfind('#');
  if (hash == std::string::npos || hash < link.rfind('/')) return FileUrl(link);
  return FileUrl(link.substr(0, hash)) + "#" + FileUrl("/" + link.substr(hash + 1)).substr(8);
}

// One script file as a build writes it: a single line without terminator,
// each element a string literal with "\" and the quote escaped.
std::string ScriptArray(const std::string& variable, const std::vector<std::string>& values) {
  std::string text = "var " + variable + "=new Array(";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ",";
    text += '"';
    for (char c : values[i]) {
      if (c == '\\' || c == '"') text += '\\';
      text += c;
    }
    text += '"';
  }
  return text + ");";
}

// A documentation tree with the page files installed as a build
// installs them, and the command lists when `commands` is given.
PageTree::PageTree(const std::vector<Command>* commands, const std::string& tag) : dir_(tag) {
  const std::string kResources = std::string(LEXIDOR_SOURCE_DIR) + "/app/resources/";
  const std::string kPages = std::string(LEXIDOR_BINARY_DIR) + "/app/pages/";
  CopyFile(kPages + "index.html", Html("index.html"));
  CopyFile(kPages + "commands.html", Html("Modules/commands.html"));
  CopyFile(kPages + "search.js", Html("Modules/search.js"));
  CopyFile(kResources + "search.css", Html("Modules/search.css"));
  CopyFile(kResources + "qdxstyle.css", Html("qdxstyle.css"));
  CopyFile(kResources + "qdxstyle.css", Html("Modules/qdxstyle.css"));
  const std::string button =
      "document.write(\"<a href='/opt/lexidor/Lexidor'>Rebuild index</a>\");";
  WriteFile(Html("button.js"), button);
  WriteFile(Html("Modules/button.js"), button);
  if (commands == nullptr) return;
  std::vector<std::string> names, links, modules;
  for (const Command& c : *commands) {
    names.push_back(c.name);
    links.push_back(c.link);
    // The module as a build derives it: between "Modules/" and "/index".
    std::string::size_type from = c.link.find("Modules/") + 8;
    modules.push_back(c.link.substr(from, c.link.find("/index") - from));
  }
  WriteFile(Html("Modules/command.js"), ScriptArray("commands", names));
  WriteFile(Html("Modules/links.js"), ScriptArray("links", links));
  WriteFile(Html("Modules/modules.js"), ScriptArray("modules", modules));
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

Act Do(const std::string& step) { return {step, "", false}; }
Act Check(const std::string& expression, const std::string& expect) {
  return {"{\"eval\":" + Json("String(" + expression + ")") + "}", Json(expect), true};
}
Act Keys(std::vector<std::string> keys) {
  std::string step = "{\"keys\":[";
  for (size_t i = 0; i < keys.size(); ++i) step += (i ? "," : "") + Json(keys[i]);
  return Do(step + "]}");
}
Act Goto(const std::string& url) { return Do("{\"goto\":" + Json(url) + "}"); }

namespace {

// Runs the acts in one browser tab through the driver script (tests/) for
// the browser, and compares every value with its expectation.
void DriveSession(const std::vector<Act>& acts, const std::string& driver,
                  const std::string& browser) {
  TempDir dir("lexidor-session");
  std::string steps = "[";
  for (size_t i = 0; i < acts.size(); ++i) steps += (i ? ",\n" : "") + acts[i].step;
  WriteFile(dir.Sub("steps.json"), steps + "]");
  RunOptions options;
  options.args = {std::string(LEXIDOR_SOURCE_DIR) + "/tests/" + driver, browser,
                  dir.Sub("steps.json")};
  options.timeout_ms = 240000;
  RunResult r = RunProgram("/usr/bin/node", options);
  ASSERT_EQ(r.exit_status, 0) << r.err;
  std::vector<std::string> values;
  std::string::size_type pos = 0, end;
  while ((end = r.out.find('\n', pos)) != std::string::npos) {
    values.push_back(r.out.substr(pos, end - pos));
    pos = end + 1;
  }
  size_t v = 0;
  for (size_t i = 0; i < acts.size(); ++i) {
    if (!acts[i].checked) continue;
    ASSERT_LT(v, values.size()) << "no value for step " << i;
    EXPECT_EQ(values[v], acts[i].expect) << "step " << i << ": " << acts[i].step;
    ++v;
  }
}

}  // namespace

void Session(const std::vector<Act>& acts) { DriveSession(acts, "page_driver.js", FindChromium()); }

void FirefoxSession(const std::vector<Act>& acts) {
  DriveSession(acts, "firefox_driver.js", "/usr/bin/firefox-esr");
}

RunResult BuildKit(const TempDir& dir, const std::string& list) {
  const std::string kit = dir.Sub("kit"), prog = dir.Sub("prog");
  WriteFile(kit + "/docs/html/Modules/commands.txt", list);
  MakeDirs(prog);
  CopyFile(LexidorBinary(), prog + "/Lexidor");
  chmod((prog + "/Lexidor").c_str(), 0755);
  WriteFile(prog + "/config.txt", kit + "\r\n0\r\n");
  RunOptions options;
  options.args = {"batch"};
  options.env["DISPLAY"] = "";
  return RunProgram(prog + "/Lexidor", options);
}

}  // namespace test
}  // namespace lexidor
