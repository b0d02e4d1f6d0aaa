// A documentation tree with the search pages installed over hand-made
// command lists, and sessions that work a page in headless Chromium as a
// user does (tests/page_driver.js).
#ifndef LEXIDOR_TESTS_PAGE_SESSION_H_
#define LEXIDOR_TESTS_PAGE_SESSION_H_

#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace test {

struct Command {
  std::string name;  // bytes as command.js holds them (Latin-1)
  std::string link;
};

// The url the pages give a link of the lists: its bytes percent-encoded, the
// text after a last "#" (with no "/" after it) the anchor.
std::string CommandHref(const std::string& link);

// One script file as a build writes it: a single line without terminator,
// each element a string literal with "\" and the quote escaped.
std::string ScriptArray(const std::string& variable, const std::vector<std::string>& values);

// A documentation tree in a fresh temporary folder whose name starts with
// `tag`, with the page files installed as a build installs them, and the
// command lists when `commands` is given.  Throws std::runtime_error when a
// file cannot be written.
class PageTree {
 public:
  explicit PageTree(const std::vector<Command>* commands, const std::string& tag = "lexidor-pages");

  std::string Root() const { return dir_.path(); }
  std::string Html(const std::string& relative) const { return dir_.Sub("docs/html/" + relative); }
  std::string IndexUrl(const std::string& query = "") const {
    return FileUrl(Html("index.html"), query);
  }
  std::string CommandsUrl(const std::string& query = "") const {
    return FileUrl(Html("Modules/commands.html"), query);
  }

 private:
  TempDir dir_;
};

// The text as a JSON string literal.
std::string Json(const std::string& text);

// One step of a session; a step with `expect` yields a value (the JSON text
// of a string) that must equal it.
struct Act {
  std::string step;
  std::string expect;
  bool checked = false;
};
Act Do(const std::string& step);
// The expression's value as a string must equal `expect`.
Act Check(const std::string& expression, const std::string& expect);
Act Keys(std::vector<std::string> keys);
Act Goto(const std::string& url);

// Runs the acts in one browser tab and compares every value with its
// expectation (gtest failures; the run itself must end well).
void Session(const std::vector<Act>& acts);
// The same in headless Firefox ESR (tests/firefox_driver.js), whose steps
// are "goto", "eval", "keys", "wait" and "until".
void FirefoxSession(const std::vector<Act>& acts);

// Writes the given commands.txt lines into the kit `dir`/kit and indexes it
// with a copy of the program in `dir`/prog, as a batch build without a display.
RunResult BuildKit(const TempDir& dir, const std::string& list);

}  // namespace test
}  // namespace lexidor

#endif  // LEXIDOR_TESTS_PAGE_SESSION_H_
