#include "gui/fltk/html/html_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexidor {
namespace {

// The steps as "back", "go:<url>", ... joined by " | "; "refused" when the
// script is not understood.
std::string Parsed(const String& script) {
  std::vector<THtmlScriptStep> steps(1);  // replaced, not appended to
  if (!ParseHtmlScript(script, &steps)) return steps.empty() ? "refused" : "refused, steps kept";
  static const char* const kNames[] = {"back", "forward", "reload", "go:", "title", "href"};
  std::string out;
  for (const THtmlScriptStep& step : steps) {
    if (!out.empty()) out += " | ";
    out += kNames[step.kind] + ToUtf8(step.url);
  }
  return out;
}

struct ScriptCase {
  String script;
  std::string steps;
};

std::ostream& operator<<(std::ostream& out, const ScriptCase& c) { return out << ToUtf8(c.script); }

class ParseHtmlScriptTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ParseHtmlScriptTest, ReadsTheNavigationForms) {
  EXPECT_EQ(Parsed(GetParam().script), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Understood, ParseHtmlScriptTest,
    ::testing::Values(
        ScriptCase{u"history.back()", "back"}, ScriptCase{u"history.forward()", "forward"},
        ScriptCase{u"location.reload()", "reload"}, ScriptCase{u"document.title", "title"},
        ScriptCase{u"location.href", "href"},
        ScriptCase{u"location.href = \"a.html\"", "go:a.html"},
        ScriptCase{u"window.location='b.html'", "go:b.html"},
        ScriptCase{u"location.assign(\"c.html#x\")", "go:c.html#x"},
        ScriptCase{u" \t history . forward ( ) ;\n ", "forward"},
        ScriptCase{u"window.history.back(); window.document.title", "back | title"},
        ScriptCase{u"location.href = \"a;b.html\"; location.href", "go:a;b.html | href"},
        ScriptCase{u"location.assign('it\\'s \\\\ \"q\"')", "go:it's \\ \"q\""},
        ScriptCase{u"location.href = ''", "go:"}, ScriptCase{u"document.title;", "title"},
        ScriptCase{u"", ""}, ScriptCase{u" ;; ", ""}));

INSTANTIATE_TEST_SUITE_P(Refused, ParseHtmlScriptTest,
                         ::testing::Values(ScriptCase{u"alert('x')", "refused"},
                                           ScriptCase{u"history.back(); alert('x')", "refused"},
                                           ScriptCase{u"history.go(-1)", "refused"},
                                           ScriptCase{u"History.back()", "refused"},
                                           ScriptCase{u"history back()", "refused"},
                                           ScriptCase{u"history.back", "refused"},
                                           ScriptCase{u"location.href = 'a' + 'b'", "refused"},
                                           ScriptCase{u"location.href = page", "refused"},
                                           ScriptCase{u"location.href = 'a' 'b'", "refused"},
                                           ScriptCase{u"location.href = \"unterminated", "refused"},
                                           ScriptCase{u"document.title = 'x'", "refused"},
                                           ScriptCase{u"location.assign()", "refused"},
                                           ScriptCase{u"location.replace('a.html')", "refused"}));

}  // namespace
}  // namespace lexidor
