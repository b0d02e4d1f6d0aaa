// The glue's HTML view: FLTK's help view showing text the driver loaded.
// A click on a link to another page is not followed by FLTK: the view
// remembers the link and reports it to the driver's callback once FLTK has
// finished handling the click, so the driver can load the page itself.
#include <FL/Fl.H>
#include <FL/Fl_Help_View.H>

#include <string>

#include "gui/fltk/glue.h"
#include "gui/fltk/glue_internal.h"

namespace lexidor {

namespace {

class Fl_AHelp_View : public Fl_Help_View {
 public:
  Fl_AHelp_View(int x, int y, int w, int h) : Fl_Help_View(x, y, w, h) {
    textsize(12);
    link(OnLink);
  }

  std::string clicked;  // the link last clicked, as FLTK resolved it

 private:
  static const char* OnLink(Fl_Widget* widget, const char* uri) {
    auto* view = static_cast<Fl_AHelp_View*>(widget);
    view->clicked = uri ? uri : "";
    // Reported after FLTK's click handling, which still reads the links
    // that loading another page replaces.
    Fl::add_timeout(0.0, Deferred, new Fl_Widget_Tracker(view));
    return nullptr;  // FLTK loads nothing itself
  }
  static void Deferred(void* data) {
    auto* tracker = static_cast<Fl_Widget_Tracker*>(data);
    if (!tracker->deleted()) glue_detail::ReportCallback(tracker->widget(), 0);
    delete tracker;
  }
};

Fl_AHelp_View* ViewOf(Fl_Widget* widget) { return dynamic_cast<Fl_AHelp_View*>(widget); }

}  // namespace

namespace glue_detail {

Fl_Widget* NewHelpView(int x, int y, int w, int h) { return new Fl_AHelp_View(x, y, w, h); }

}  // namespace glue_detail

void glue_help_set_value(Fl_Widget* view, const String& html) {
  if (Fl_AHelp_View* v = ViewOf(view)) v->value(ToUtf8(html).c_str());
}

String glue_help_value(Fl_Widget* view) {
  Fl_AHelp_View* v = ViewOf(view);
  const char* text = v ? v->value() : nullptr;
  return text ? FromUtf8(text) : String();
}

void glue_help_show_anchor(Fl_Widget* view, const String& anchor) {
  Fl_AHelp_View* v = ViewOf(view);
  if (!v) return;
  if (anchor.empty()) {
    v->topline(0);
  } else {
    v->topline(ToUtf8(anchor).c_str());
  }
}

String glue_help_take_clicked_link(Fl_Widget* view) {
  Fl_AHelp_View* v = ViewOf(view);
  if (!v) return String();
  String link = FromUtf8(v->clicked);
  v->clicked.clear();
  return link;
}

}  // namespace lexidor
