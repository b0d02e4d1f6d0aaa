// TFLWidget: the HTML view.  Pages are read through the stream layer, so
// any URL the program can open can be shown; FLTK only draws the text,
// after the page has been cleaned of what it would draw wrongly.
#include <vector>

#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/html/html_cleaner.h"
#include "gui/fltk/html/html_script.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"
#include "runtime/exceptions.h"
#include "stream/file_system.h"
#include "stream/stream.h"

namespace lexidor {

namespace {

// "%xx" escapes of a link decoded; a "+" stays (it is a space only in
// query strings, and file names may hold one).
String DecodePercent(const String& text) {
  String out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size()) {
      const String hex = text.substr(i + 1, 2);
      bool ok = true;
      for (char16_t c : hex)
        ok = ok &&
             ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'));
      if (ok) {
        out.push_back(static_cast<char16_t>(TFLWidget::HexToInt(hex)));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

String Escape(const String& text) {
  String out;
  for (char16_t c : text) {
    if (c == u'<') {
      out += u"&lt;";
    } else if (c == u'&') {
      out += u"&amp;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

void TFLWidget::SetURL(const String& url, int addhistory) {
  if (fltype != FLTYPE_HELPVIEW) return;
  const size_t hash = url.find(u'#');
  const String page = url.substr(0, hash);
  const String anchor = hash == String::npos ? String() : url.substr(hash + 1);
  const bool same_page =
      !page.empty() && hash != String::npos && currenturl.substr(0, currenturl.find(u'#')) == page;
  if (!same_page) {
    String html;
    try {
      html = page.empty() ? String() : CleanHTML(LoadBytesAsString(page));
    } catch (const TException& error) {
      html = u"<html><body><h2>Cannot show this page</h2><p>" + Escape(page) + u"</p><p>" +
             Escape(error.ToString()) + u"</p></body></html>";
    }
    glue_help_set_value(flhandle, html, PathDirectory(page));
  }
  glue_help_show_anchor(flhandle, anchor);
  currenturl = url;
  if (addhistory && !url.empty()) {
    history.resize(static_cast<size_t>(historypos + 1));
    history.push_back(url);
    historypos = static_cast<int>(history.size()) - 1;
  }
}

String TFLWidget::CleanHTML(const String& page) { return CleanHtmlPage(ToLatin1(page)); }

void TFLWidget::BackURL() {
  if (fltype != FLTYPE_HELPVIEW || historypos <= 0) return;
  --historypos;
  SetURL(history[historypos], 0);
}

void TFLWidget::ForwardURL() {
  if (fltype != FLTYPE_HELPVIEW || historypos + 1 >= static_cast<int>(history.size())) return;
  ++historypos;
  SetURL(history[historypos], 0);
}

void TFLWidget::RequestURL() {
  String link = glue_help_take_clicked_link(flhandle);
  if (link.empty()) return;
  // FLTK makes a relative link absolute against the working directory; it
  // belongs to the directory of the page shown.
  const String cwd_prefix = u"file:" + WorkingDirectory() + u"/";
  String target;
  if (StartsWith(link, cwd_prefix)) {
    const String relative = DecodePercent(link.substr(cwd_prefix.size()));
    const String dir = PathDirectory(currenturl.substr(0, currenturl.find(u'#')));
    target = dir.empty() ? relative : (EndsWith(dir, u"/") ? dir : dir + u"/") + relative;
  } else if (StartsWith(link, u"file:")) {
    target = DecodePercent(link.substr(5));
  } else {
    target = DecodePercent(link);
  }
  SetURL(target, 1);
  RaiseGadgetEvent(EVENT_GADGETACTION, Self(), 0, 0, 0, 0, BoxString(target));
}

String TFLWidget::Run(const String& script) {
  if (fltype != FLTYPE_HELPVIEW || !flhandle) return String();
  std::vector<THtmlScriptStep> steps;
  if (!ParseHtmlScript(script, &steps)) return String();
  // SetURL keeps the page when only the anchor changes: reading the page
  // again starts from no page.
  auto reload = [this] {
    const String url = currenturl;
    currenturl.clear();
    SetURL(url, 0);
  };
  String result;
  for (const THtmlScriptStep& step : steps) {
    result.clear();
    switch (step.kind) {
      case THtmlScriptStep::BACK:
        BackURL();
        break;
      case THtmlScriptStep::FORWARD:
        ForwardURL();
        break;
      case THtmlScriptStep::RELOAD:
        reload();
        break;
      case THtmlScriptStep::GO:
        // As in a browser, an empty URL names the page shown and an anchor
        // alone a place on it.
        if (step.url.empty()) {
          reload();
        } else if (step.url[0] == u'#') {
          SetURL(currenturl.substr(0, currenturl.find(u'#')) + step.url, 1);
        } else {
          SetURL(step.url, 1);
        }
        break;
      case THtmlScriptStep::TITLE:
        result = glue_help_title(flhandle);
        break;
      case THtmlScriptStep::HREF:
        result = currenturl;
        break;
    }
  }
  return result;
}

}  // namespace lexidor
