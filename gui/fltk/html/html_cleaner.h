// gui/fltk/html: pages and navigation scripts made fit for FLTK's help view.
//
// Makes a page read as bytes fit for FLTK's help view (Fl_Help_View), which
// knows no scripts or style sheets and only part of HTML's character set.
//
// What the view gets wrong and the cleaner mends:
//   - the text of <script> and <style> elements in the body is shown as page
//     text: both elements go, with their content.  Tag names match in any
//     case, the start tag may carry attributes, and an element that is never
//     closed runs to the end of the page (as in a browser);
//   - bytes are taken as Latin-1 one by one, so a UTF-8 page shows mojibake:
//     the page is decoded as UTF-8 when its bytes are valid UTF-8, else as
//     Windows-1252 (Latin-1 with the printable 0x80-0x9F of Windows pages:
//     curly quotes, dashes, the euro sign);
//   - a byte-order mark shows as an empty box: it is dropped;
//   - "<br/>", "<hr/>" (a slash straight after the tag name) are not
//     recognised: a space goes before the slash;
//   - named character references the view does not know ("&rsquo;",
//     "&mdash;", "&hellip;", ...) show as written: the common ones become
//     their characters.
// What the view already gets right is left alone: comments, "<!DOCTYPE>",
// processing instructions and CDATA sections are hidden by the view, the
// content of <noscript> is shown (no script runs), and "&lt;", "&amp;" and
// the other references it knows stay as they are.  Comments are copied as
// they are, so markup inside one is never mistaken for a script.
#pragma once

#include <string_view>

#include "runtime/string.h"

namespace lexidor {

// The characters of a page's bytes: UTF-8 when valid, else Windows-1252
// (its five unassigned codes in 0x80-0x9F keep their own values).
String DecodePageBytes(std::string_view bytes);

// The markup cleaning above on decoded text (without the decoding).
String CleanHtmlMarkup(const String& html);

// Both steps: the page's bytes as the help view should be given them.
String CleanHtmlPage(std::string_view bytes);

}  // namespace lexidor
