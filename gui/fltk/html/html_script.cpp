// Parsing the HTML view's navigation scripts; see html_script.h.
//
// Each statement is reduced to a shape: its names and punctuation as
// written, with every string literal replaced by a single '"', and its
// string kept aside.  The shape then names the statement:
// `location.assign("a.html")` has the shape `location.assign(")`.
#include "gui/fltk/html/html_script.h"

namespace lexidor {

namespace {

bool IsNameStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'$';
}
bool IsNamePart(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9'); }
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

struct Statement {
  String shape;
  std::vector<String> strings;
};

struct ShapeStep {
  const char16_t* shape;
  THtmlScriptStep::Kind kind;
};
constexpr ShapeStep kShapes[] = {
    {u"history.back()", THtmlScriptStep::BACK},
    {u"history.forward()", THtmlScriptStep::FORWARD},
    {u"location.reload()", THtmlScriptStep::RELOAD},
    {u"location.href=\"", THtmlScriptStep::GO},
    {u"location=\"", THtmlScriptStep::GO},
    {u"location.assign(\")", THtmlScriptStep::GO},
    {u"document.title", THtmlScriptStep::TITLE},
    {u"location.href", THtmlScriptStep::HREF},
};

// Splits the script into statements; false on a character that belongs to
// none of the forms or an unclosed string.
bool SplitStatements(const String& script, std::vector<Statement>* statements) {
  Statement current;
  size_t i = 0;
  const size_t n = script.size();
  while (i < n) {
    const char16_t c = script[i];
    if (IsSpace(c)) {
      ++i;
    } else if (IsNameStart(c)) {
      // Two names in a row ("history back") must not run together.
      if (!current.shape.empty() && IsNamePart(current.shape.back())) return false;
      while (i < n && IsNamePart(script[i])) current.shape.push_back(script[i++]);
    } else if (c == u'"' || c == u'\'') {
      String text;
      for (++i; i < n && script[i] != c; ++i) {
        if (script[i] == u'\\' && i + 1 < n) ++i;
        text.push_back(script[i]);
      }
      if (i >= n) return false;
      ++i;  // the closing quote
      current.shape.push_back(u'"');
      current.strings.push_back(text);
    } else if (c == u';') {
      statements->push_back(current);
      current = Statement();
      ++i;
    } else if (c == u'.' || c == u'(' || c == u')' || c == u'=') {
      current.shape.push_back(c);
      ++i;
    } else {
      return false;
    }
  }
  statements->push_back(current);
  return true;
}

}  // namespace

bool ParseHtmlScript(const String& script, std::vector<THtmlScriptStep>* steps) {
  steps->clear();
  std::vector<Statement> statements;
  if (!SplitStatements(script, &statements)) return false;
  for (Statement& statement : statements) {
    String shape = statement.shape;
    if (shape.empty()) continue;
    if (StartsWith(shape, u"window.")) shape = shape.substr(7);
    bool known = false;
    for (const ShapeStep& entry : kShapes) {
      if (shape != entry.shape) continue;
      THtmlScriptStep step;
      step.kind = entry.kind;
      if (!statement.strings.empty()) step.url = statement.strings.front();
      steps->push_back(step);
      known = true;
      break;
    }
    if (!known) {
      steps->clear();
      return false;
    }
  }
  return true;
}

}  // namespace lexidor
