// The navigation scripts the HTML view understands.  FLTK's help view runs
// no scripts, so the view's Run knows only the few that an application
// sends to steer it, and nothing else.
//
// A script is statements separated by ";"; white space between the parts
// is ignored, empty statements are skipped, and "window." may stand before
// any statement.  Each statement is one of
//   history.back()                  go back in the history
//   history.forward()               go forward in the history
//   location.reload()               read the page shown again
//   location.href = "url"           show url, adding it to the history
//   location = "url"                (the same)
//   location.assign("url")          (the same)
//   document.title                  gives the title of the page shown
//   location.href                   gives the URL of the page shown
// Strings take single or double quotes; a backslash takes the character
// after it as it is ("\"" is a quote, "\\" a backslash).  Names are case
// sensitive, as in JavaScript.
#pragma once

#include <vector>

#include "runtime/string.h"

namespace lexidor {

// One parsed statement.
struct THtmlScriptStep {
  enum Kind { BACK, FORWARD, RELOAD, GO, TITLE, HREF };
  Kind kind = BACK;
  String url;  // GO: the URL as written
};

// Parses `script` into `steps` (replacing what they held).  Returns false,
// with `steps` empty, when any part of the script is not one of the forms
// above: a script that is not understood as a whole does nothing.
bool ParseHtmlScript(const String& script, std::vector<THtmlScriptStep>* steps);

}  // namespace lexidor
