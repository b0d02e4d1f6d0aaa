// The glue's HTML view: FLTK's help view showing text the driver loaded.
// A click on a link to another page is not followed by FLTK: the view
// remembers the link and reports it to the driver's callback once FLTK has
// finished handling the click, so the driver can load the page itself.
// Images of a page are loaded by FLTK, from the page's directory.
//
// FLTK asks one function both where a clicked link leads and where an
// image is.  A link is followed while FLTK hands a click or a key to the
// view; images are looked up while it lays the page out (given a page or a
// new size) or draws it.  So a call counts as a link only while input is
// being dispatched and the view is not laying a page out.
#include <FL/Fl.H>
#include <FL/Fl_Help_View.H>
#include <FL/Fl_Shared_Image.H>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

class Fl_AHelp_View : public Fl_Help_View {
 public:
  Fl_AHelp_View(int x, int y, int w, int h) : Fl_Help_View(x, y, w, h) {
    textsize(12);
    link(OnLink);
    fl_register_images();  // PNG and JPEG for the pages' images
    glue_detail::WatchDispatch();
  }
  // FLTK's destructor looks up the page's images again, through OnLink, to
  // release them; by then this class's members are gone.  Releasing the
  // page here, while they still live, leaves the base class nothing to do.
  ~Fl_AHelp_View() override {
    LayingOut guard(this);
    value(nullptr);
  }

  std::string clicked;  // the link last clicked, as FLTK resolved it

  // Shows `html`, whose images with relative names lie in `directory`.
  void Show(const char* html, std::string directory) {
    directory_ = std::move(directory);
    // FLTK makes a relative image name relative to the working directory.
    char cwd[4096];
    cwd_prefix_ = getcwd(cwd, sizeof cwd) ? "file:" + std::string(cwd) + "/" : std::string();
    LayingOut guard(this);
    value(html);
  }
  void resize(int x, int y, int w, int h) override {
    LayingOut guard(this);
    Fl_Help_View::resize(x, y, w, h);
  }

 private:
  struct LayingOut {
    explicit LayingOut(Fl_AHelp_View* view) : view(view), outer(!view->laying_out_) {
      view->laying_out_ = true;
    }
    ~LayingOut() {
      if (outer) view->laying_out_ = false;
    }
    Fl_AHelp_View* view;
    bool outer;
  };

  bool laying_out_ = false;
  std::string directory_;   // the shown page's directory, for its images
  std::string cwd_prefix_;  // "file:" + the working directory + "/"
  std::string image_;       // the last image path handed to FLTK

  // Where FLTK finds an image: a relative name in the page's directory.
  // Never nullptr: FLTK cannot do without an image once it asked for one,
  // and shows a broken-image mark for a file it cannot read.
  const char* ImagePath(const char* uri) {
    image_ = uri ? uri : "";
    if (!cwd_prefix_.empty() && !directory_.empty() &&
        image_.compare(0, cwd_prefix_.size(), cwd_prefix_) == 0) {
      image_ = directory_ + "/" + image_.substr(cwd_prefix_.size());
    }
    return image_.c_str();
  }

  static const char* OnLink(Fl_Widget* widget, const char* uri) {
    auto* view = static_cast<Fl_AHelp_View*>(widget);
    if (view->laying_out_ || glue_detail::InputDispatchDepth() == 0) return view->ImagePath(uri);
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

void glue_help_set_value(Fl_Widget* view, const String& html, const String& directory) {
  Fl_AHelp_View* v = ViewOf(view);
  if (!v) return;
  // File names keep their bytes: one per character.
  v->Show(ToUtf8(html).c_str(), ToLatin1(directory));
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

String glue_help_title(Fl_Widget* view) {
  Fl_AHelp_View* v = ViewOf(view);
  const char* title = v ? v->title() : nullptr;
  if (!title) return String();
  // FLTK names a page without a title "Untitled"; a page titled so says it.
  if (std::strcmp(title, "Untitled") == 0 &&
      Find(AsciiLower(FromUtf8(v->value() ? v->value() : "")), u"<title") < 0) {
    return String();
  }
  return FromUtf8(title);
}

int glue_help_document_height(Fl_Widget* view) {
  Fl_AHelp_View* v = ViewOf(view);
  return v ? v->size() : 0;
}

String glue_help_take_clicked_link(Fl_Widget* view) {
  Fl_AHelp_View* v = ViewOf(view);
  if (!v) return String();
  String link = FromUtf8(v->clicked);
  v->clicked.clear();
  return link;
}

}  // namespace lexidor
