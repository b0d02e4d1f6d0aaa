// The glue's own FLTK widget classes and the widget factory.
//
// The classes behave as their FLTK bases for drawing and layout; what they
// add is input reporting: the window reports moves and resizes (and dropped
// files) to its callback, the text field asks the driver's key filter
// before it takes a key, and an active panel reports mouse and key events.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Help_View.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Multi_Browser.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Slider.H>
#include <FL/Fl_Tabs.H>
#include <FL/Fl_Toggle_Button.H>
#include <FL/Fl_Tree.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstring>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

using glue_detail::DriverCallback;
using glue_detail::KeyFilter;

// Calls the widget's callback for `reason` (0: FLTK's current event stands
// as the reason) when the callback is the driver's, then clears the
// widget's changed flag.  Returns false when the callback deleted the
// widget.
bool Report(Fl_Widget* widget, int reason) {
  if (!DriverCallback() || widget->callback() != DriverCallback()) return true;
  Fl_Widget_Tracker tracker(widget);
  int saved = glue_detail::RecordedReason();
  glue_detail::SetRecordedReason(reason);
  widget->do_callback();
  glue_detail::SetRecordedReason(saved);
  if (tracker.deleted()) return false;
  widget->clear_changed();
  return true;
}

// Asks the driver's key filter about the key press now being handled.
bool KeyAllowed(Fl_Widget* widget) {
  GlueKeyFilter filter = KeyFilter();
  if (!filter) return true;
  void* data =
      (DriverCallback() && widget->callback() == DriverCallback()) ? widget->user_data() : nullptr;
  return filter(data) != 0;
}

// Label types that draw the text as it is: FLTK's normal labels read
// "@..." as a symbol and cut the text there, so a path such as
// "/home/me@work/kit" would lose its tail.  The three after the plain one
// also underline the text, strike it through, or both: FLTK's fonts have
// no such faces.
constexpr Fl_Labeltype kPlainLabel = FL_FREE_LABELTYPE;
constexpr int kUnderlineLabel = 1;
constexpr int kStrikeLabel = 2;

// Lines under or through each line of a label's text, placed as fl_draw
// places the lines (a label's image is not taken into account).
void DrawLabelLines(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align, int lines) {
  if (!label->value || !*label->value) return;
  const int height = fl_height(), descent = fl_descent();
  int count = 1;
  for (const char* p = label->value; *p; ++p) count += *p == '\n';
  int top = y + (h - count * height) / 2;
  if (align & FL_ALIGN_TOP) top = y;
  if (align & FL_ALIGN_BOTTOM) top = y + h - count * height;
  const char* line = label->value;
  for (int i = 0; i < count; ++i) {
    const char* end = std::strchr(line, '\n');
    const int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
    const int width = static_cast<int>(fl_width(line, length));
    int left = x + (w - width) / 2;
    if (align & FL_ALIGN_LEFT) left = x;
    if (align & FL_ALIGN_RIGHT) left = x + w - width;
    glue_detail::DrawTextLines(left, left + width, top + (i + 1) * height - descent,
                               lines & kUnderlineLabel, lines & kStrikeLabel);
    if (end) line = end + 1;
  }
}

template <int Lines>
void DrawPlainLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(static_cast<Fl_Color>(label->color));
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
  if (Lines) DrawLabelLines(label, x, y, w, h, align, Lines);
}

void MeasurePlainLabel(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  fl_measure(label->value, w, h, 0);
}

// The label type of a tab page with an icon: the icon stands before the
// text and the tab is made wide enough for both (FLTK's tabs would put an
// image above the text and size the tab for the wider of the two).
constexpr Fl_Labeltype kTabIconLabel =
    static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE + kUnderlineLabel + kStrikeLabel + 1);
constexpr int kTabIconGap = 3;

// Tabs centre their labels: the alignment asked for is not used.
void DrawTabIconLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align) {
  fl_font(label->font, label->size);
  fl_color(static_cast<Fl_Color>(label->color));
  int tw = 0, th = 0;
  fl_measure(label->value, tw, th, 0);
  Fl_Image* image = label->image;
  const int iw = image ? image->w() + kTabIconGap : 0;
  const int left = x + (w - iw - tw) / 2;
  if (image) image->draw(left, y + (h - image->h()) / 2);
  fl_draw(label->value, left + iw, y, tw, h, FL_ALIGN_CENTER, nullptr, 0);
}

void MeasureTabIconLabel(const Fl_Label* label, int& w, int& h) {
  MeasurePlainLabel(label, w, h);
  if (Fl_Image* image = label->image) {
    w += image->w() + kTabIconGap;
    h = std::max(h, image->h());
  }
}

void InstallPlainLabel() {
  static bool installed = false;
  if (installed) return;
  Fl::set_labeltype(kPlainLabel, DrawPlainLabel<0>, MeasurePlainLabel);
  Fl::set_labeltype(static_cast<Fl_Labeltype>(kPlainLabel + kUnderlineLabel),
                    DrawPlainLabel<kUnderlineLabel>, MeasurePlainLabel);
  Fl::set_labeltype(static_cast<Fl_Labeltype>(kPlainLabel + kStrikeLabel),
                    DrawPlainLabel<kStrikeLabel>, MeasurePlainLabel);
  Fl::set_labeltype(static_cast<Fl_Labeltype>(kPlainLabel + kUnderlineLabel + kStrikeLabel),
                    DrawPlainLabel<kUnderlineLabel + kStrikeLabel>, MeasurePlainLabel);
  Fl::set_labeltype(kTabIconLabel, DrawTabIconLabel, MeasureTabIconLabel);
  installed = true;
}

// --- The widget classes ------------------------------------------------------

class Fl_AWindow;
void WatchEventDispatch();

// The double-buffered top-level window.
class Fl_AWindow : public Fl_Double_Window {
 public:
  Fl_AWindow(int x, int y, int w, int h) : Fl_Double_Window(x, y, w, h) {
    // The driver lays the window's contents out itself.
    resizable(nullptr);
    WatchEventDispatch();
  }

  int minw = 0, minh = 0, maxw = 0, maxh = 0;  // 0 = not set
  bool accept_files = false;

  void ApplySizeRange() {
    if (!minw && !minh && !maxw && !maxh) return;
    size_range(minw > 0 ? minw : 1, minh > 0 ? minh : 1, maxw, maxh);
  }

  void resize(int x, int y, int w, int h) override {
    Fl_Double_Window::resize(x, y, w, h);
    // Reported with a reason of its own: FLTK's current event number is
    // stale here (a window move arrives between events), and a stale
    // "close" or "focus" must not be read as one.
    Report(this, FLEVENT_MOVE);
  }

  int handle(int event) override {
    if (accept_files) {
      switch (event) {
        case FL_DND_ENTER:
        case FL_DND_DRAG:
        case FL_DND_RELEASE:
          return 1;
        case FL_PASTE:
          Report(this, 0);
          return 1;
        default:
          break;
      }
    }
    return Fl_Double_Window::handle(event);
  }
};

// Every event FLTK dispatches passes here, once installed: the nesting
// depth of its dispatch of mouse buttons and keys is counted (the HTML view
// tells a link click from an image lookup by it), and a top-level window
// gaining the keyboard focus is reported for the window (FLTK hands that
// focus to the focus widget inside it, never to the window).
int input_depth = 0;
Fl_Event_Dispatch dispatch_before_watch = nullptr;

int DispatchWatched(int event, Fl_Window* window) {
  const bool input =
      event == FL_PUSH || event == FL_RELEASE || event == FL_KEYBOARD || event == FL_SHORTCUT;
  if (input) ++input_depth;
  const int used =
      dispatch_before_watch ? dispatch_before_watch(event, window) : Fl::handle_(event, window);
  if (input) --input_depth;
  if (event == FL_FOCUS) {
    if (auto* top = dynamic_cast<Fl_AWindow*>(window)) Report(top, FLEVENT_FOCUS);
  }
  return used;
}

void WatchEventDispatch() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  dispatch_before_watch = Fl::event_dispatch();
  Fl::event_dispatch(DispatchWatched);
}

// The single-line text field.
class Fl_AInput : public Fl_Input {
 public:
  Fl_AInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {
    // The class reports by itself; FLTK's own change callbacks would come
    // on top.
    when(FL_WHEN_NEVER);
  }

  int handle(int event) override {
    switch (event) {
      case FL_PUSH:
      case FL_RELEASE:
      case FL_UNFOCUS:
        if (!Report(this, 0)) return 1;
        return Fl_Input::handle(event);
      case FL_KEYDOWN:
        if (!KeyAllowed(this)) return 1;  // swallowed: FLTK never sees it
        if (!Report(this, 0)) return 1;
        return Fl_Input::handle(event);
      default:
        return Fl_Input::handle(event);
    }
  }
};

// The panel: a group that can report mouse and key events, paint a
// background colour and image, and show its label as a caption over its
// frame.
class Fl_Panel : public Fl_Group {
 public:
  Fl_Panel(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
    end();
    resizable(nullptr);
    clip_children(1);
    box(FL_ENGRAVED_FRAME);
    align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
  }

  int active = 0;
  bool coloured = false;  // a background colour has been set
  Fl_Image* background = nullptr;

  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      int caption = 0;
      if (label() && *label()) {
        fl_font(labelfont(), labelsize());
        caption = fl_height();
      }
      // The frame starts halfway down the caption; the caption is drawn on
      // the panel's colour over it.
      int top = y() + caption / 2;
      draw_box(box(), x(), top, w(), h() - caption / 2, color());
      if (background) {
        fl_push_clip(x(), top, w(), h() - caption / 2);
        background->draw(x() + Fl::box_dx(box()), top + Fl::box_dy(box()));
        fl_pop_clip();
      }
      if (caption) {
        int tw = 0, th = 0;
        measure_label(tw, th);
        if (box() != FL_NO_BOX) {
          fl_color(color());
          fl_rectf(x() + 6, y(), tw + 6, caption);
        }
        draw_label(x() + 9, y(), tw, caption, Fl_Align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT));
      }
    }
    draw_children();
  }

  int handle(int event) override {
    if (!active) return Fl_Group::handle(event);
    switch (event) {
      case FL_PUSH: {
        int used = Fl_Group::handle(event);
        Fl_Widget* pushed = Fl::pushed();
        // A click a child took (a button inside) is the child's: its
        // release goes to the child, so the panel reports neither half.
        if (used && pushed && pushed != this && contains(pushed)) return used;
        Fl::pushed(this);
        if (!contains(Fl::focus())) take_focus();
        pressed_ |= ButtonBit(Fl::event_button());
        Report(this, event);
        return 1;
      }
      case FL_RELEASE: {
        // Only the release of a press the panel reported, button by button:
        // every down gets its up.
        const unsigned bit = ButtonBit(Fl::event_button());
        if (!(pressed_ & bit)) return Fl_Group::handle(event);
        pressed_ &= ~bit;
        // FLTK forgets the pushed widget at the first release; the release
        // of a button still held must come here as well.
        if (pressed_) Fl::pushed(this);
        Report(this, event);
        return 1;
      }
      case FL_KEYDOWN:
      case FL_KEYUP:
        // FLTK offers keys nobody took to the focus widget's parents and
        // then around the window: the panel reports only its own.
        if (Fl::focus() != this) return Fl_Group::handle(event);
        Report(this, event);
        return 1;
      case FL_MOUSEWHEEL:
        // A wheel turned elsewhere is offered around the window as well.
        if (!Fl::event_inside(this)) return Fl_Group::handle(event);
        Report(this, event);
        return 1;
      case FL_LEAVE:
        Fl_Group::handle(event);
        Report(this, event);
        return 1;
      case FL_ENTER:
      case FL_MOVE: {
        int used = Fl_Group::handle(event);
        Fl_Widget* below = Fl::belowmouse();
        if (below && below != this && contains(below)) return used;  // a child's business
        Report(this, event);
        return 1;
      }
      case FL_DRAG:
        if (Fl::pushed() != this) return Fl_Group::handle(event);
        Report(this, event);
        return 1;
      case FL_FOCUS:
      case FL_UNFOCUS:
        return 1;  // an active panel holds the keyboard focus for its keys
      default:
        return Fl_Group::handle(event);
    }
  }

 private:
  // The bit of FLTK mouse button `button` (1 and up) in pressed_.
  static unsigned ButtonBit(int button) { return button >= 1 && button < 32 ? 1u << button : 0u; }

  unsigned pressed_ = 0;  // the buttons whose press was reported and release not yet
};

// The tab group.  Button 1 switches pages as FLTK's tabs do; the other
// buttons only report.
class Fl_ATabs : public Fl_Tabs {
 public:
  Fl_ATabs(int x, int y, int w, int h) : Fl_Tabs(x, y, w, h) {
    end();
    clip_children(1);
    selection_color(fl_color_average(selection_color(), static_cast<Fl_Color>(15), 0.8f));
  }

  int handle(int event) override {
    if ((event == FL_PUSH || event == FL_RELEASE || event == FL_DRAG) &&
        Fl::event_button() != FL_LEFT_MOUSE && which(Fl::event_x(), Fl::event_y())) {
      // Other buttons on a tab ask for the program's menu; the tab stays.
      if (event != FL_DRAG) Report(this, event);
      return 1;
    }
    return Fl_Tabs::handle(event);
  }
};

// A drawing area with an X window of its own.  It reports the mouse to its
// callback, and each time it is drawn, a paint request (reason
// FLEVENT_ACTIVATE) after its background.
class Fl_Canvas : public Fl_Window {
 public:
  Fl_Canvas(int x, int y, int w, int h) : Fl_Window(x, y, w, h) {
    end();
    resizable(nullptr);
    clip_children(1);
  }

  void draw() override {
    Fl_Window::draw();
    Report(this, FLEVENT_ACTIVATE);
  }

  int handle(int event) override {
    switch (event) {
      case FL_PUSH:
      case FL_RELEASE:
      case FL_ENTER:
      case FL_LEAVE:
      case FL_DRAG:
      case FL_MOVE:
        Fl_Window::handle(event);
        Report(this, event);
        return 1;
      default:
        return Fl_Window::handle(event);
    }
  }
};

}  // namespace

namespace glue_detail {

bool ReportCallback(Fl_Widget* widget, int reason) { return Report(widget, reason); }
void WatchDispatch() { WatchEventDispatch(); }
int InputDispatchDepth() { return input_depth; }
bool KeyAllowedFor(Fl_Widget* widget) { return KeyAllowed(widget); }

}  // namespace glue_detail

namespace {

Fl_Group* AsGroup(Fl_Widget* widget) { return widget ? widget->as_group() : nullptr; }

void EndGroup(Fl_Widget* widget) {
  if (Fl_Group* group = AsGroup(widget)) {
    group->end();
    group->resizable(nullptr);
  }
}

// A plain group (or a pack) that clips its children and takes no more.
Fl_Group* NewGroup(int x, int y, int w, int h, bool pack, bool framed) {
  Fl_Group* group = pack ? new Fl_Pack(x, y, w, h) : new Fl_Group(x, y, w, h);
  EndGroup(group);
  group->clip_children(1);
  if (!framed) group->box(FL_NO_BOX);
  return group;
}

Fl_Widget* NewBrowser(int x, int y, int w, int h, bool multi) {
  Fl_Browser* browser = multi ? static_cast<Fl_Browser*>(new Fl_Multi_Browser(x, y, w, h))
                              : new Fl_Hold_Browser(x, y, w, h);
  browser->type(multi ? FL_MULTI_BROWSER : FL_HOLD_BROWSER);
  static const int kNoColumns[] = {0};
  browser->column_widths(kNoColumns);
  return browser;
}

Fl_Widget* NewProgress(int x, int y, int w, int h) {
  Fl_Progress* progress = new Fl_Progress(x, y, w, h);
  progress->minimum(0);
  progress->maximum(1);
  progress->selection_color(static_cast<Fl_Color>(15));
  return progress;
}

Fl_Widget* NewSlider(int x, int y, int w, int h) {
  Fl_Slider* slider = new Fl_Slider(x, y, w, h);
  slider->range(0, 100);
  return slider;
}

Fl_Widget* NewTree(int x, int y, int w, int h) {
  Fl_Tree* tree = new Fl_Tree(x, y, w, h);
  tree->showroot(0);
  tree->selectmode(FL_TREE_SELECT_SINGLE);
  return tree;
}

// Whether a widget of `fltype` shows the text it is made with as its label:
// menu bars, text areas, tool bars, sliders and scroll bars do not.
bool TakesLabel(int fltype) {
  switch (fltype) {
    case 1:
    case 19:
    case 20:
    case 23:
    case 25:
    case 26:
      return false;
    default:
      return true;
  }
}

// The FLTK widget for `fltype`, in no group; nullptr for an unknown type.
Fl_Widget* NewWidgetOfType(int x, int y, int w, int h, int fltype) {
  switch (fltype) {
    case 0:
      return new Fl_AWindow(x, y, w, h);
    case 1:
      return new Fl_Menu_Bar(x, y, w, h);
    case 2:
      return new Fl_Button(x, y, w, h);
    case 3:
      return new Fl_Check_Button(x, y, w, h);
    case 4:
      return new Fl_Round_Button(x, y, w, h);
    case 5:
    case 6: {
      Fl_Widget* toggle = new Fl_Toggle_Button(x, y, w, h);
      toggle->type(FL_TOGGLE_BUTTON);
      return toggle;
    }
    case 7:
      return new Fl_Return_Button(x, y, w, h);
    case 8:
    case 9:
      return new Fl_Panel(x, y, w, h);
    case 10:
      return new Fl_AInput(x, y, w, h);
    case 11: {
      Fl_Widget* secret = new Fl_Secret_Input(x, y, w, h);
      secret->type(FL_SECRET_INPUT);
      return secret;
    }
    case 12:
      return new Fl_ATabs(x, y, w, h);
    case 13:
    case 14:
      return NewGroup(x, y, w, h, false, false);
    case 15:
      return NewGroup(x, y, w, h, true, true);
    case 16:
    case 17:
      return NewBrowser(x, y, w, h, fltype == 17);
    case 18:
      return new Fl_Choice(x, y, w, h);
    case 19:
    case 20:
      return glue_detail::NewTextArea(x, y, w, h, fltype == 19);
    case 21:
      return glue_detail::NewHelpView(x, y, w, h);
    case 22:
      return new Fl_Box(x, y, w, h);
    case 23:
      return NewGroup(x, y, w, h, false, true);
    case 24:
      return NewProgress(x, y, w, h);
    case 25:
      return NewSlider(x, y, w, h);
    case 26:
      return new Fl_Scrollbar(x, y, w, h);
    case 27:
      return new Fl_Canvas(x, y, w, h);
    case 28:
      return new Fl_Input_Choice(x, y, w, h);
    case 29:
      return NewTree(x, y, w, h);
    default:
      return nullptr;
  }
}

}  // namespace

Fl_Widget* glue_create_widget(int x, int y, int w, int h, const String& label, int fltype) {
  InstallPlainLabel();
  // No group collects the new widget: the driver adds it where it belongs.
  Fl_Group::current(nullptr);
  Fl_Widget* widget = NewWidgetOfType(x, y, w, h, fltype);
  Fl_Group::current(nullptr);
  if (!widget) return nullptr;
  widget->labeltype(kPlainLabel);
  if (TakesLabel(fltype) && !label.empty()) widget->copy_label(ToUtf8(label).c_str());
  return widget;
}

// --- Operations that need the glue's own classes -------------------------------------

namespace glue_detail {

void DrawTextLines(int left, int right, int baseline, bool underline, bool strike) {
  if (right <= left) return;
  if (underline) fl_xyline(left, baseline + 1, right - 1);
  // Through the middle of the lower-case letters.
  if (strike) fl_xyline(left, baseline - (fl_height() - fl_descent()) / 3, right - 1);
}

}  // namespace glue_detail

void glue_tab_set_icon(Fl_Widget* page, Fl_Image* image) {
  if (!page) return;
  page->image(image);
  page->labeltype(image ? kTabIconLabel : kPlainLabel);
  if (page->parent()) page->parent()->redraw();
}

Fl_Image* glue_tab_icon(Fl_Widget* page) { return page ? page->image() : nullptr; }

void glue_set_label_lines(Fl_Widget* widget, int underline, int strike) {
  if (!widget) return;
  const int type = widget->labeltype();
  // Only the driver's own label types carry lines.
  if (type < kPlainLabel || type > kPlainLabel + kUnderlineLabel + kStrikeLabel) return;
  widget->labeltype(static_cast<Fl_Labeltype>(kPlainLabel + (underline ? kUnderlineLabel : 0) +
                                              (strike ? kStrikeLabel : 0)));
  widget->redraw_label();
}

void glue_set_panel_color(Fl_Widget* panel, int r, int g, int b) {
  if (!panel) return;
  panel->color(glue_rgb_color(r, g, b));
  Fl_Panel* p = dynamic_cast<Fl_Panel*>(panel);
  if (p && !p->coloured) {
    p->coloured = true;
    // A frame alone paints no background: use the painted form of the box.
    if (p->box() == FL_NO_BOX) p->box(FL_FLAT_BOX);
    if (p->box() == FL_DOWN_FRAME) p->box(FL_DOWN_BOX);
  }
}

void glue_panel_set_image(Fl_Widget* panel, Fl_Image* image) {
  if (Fl_Panel* p = dynamic_cast<Fl_Panel*>(panel)) {
    p->background = image;
    p->redraw();
  }
}

void glue_panel_set_active(Fl_Widget* panel, int flag) {
  if (Fl_Panel* p = dynamic_cast<Fl_Panel*>(panel)) p->active = flag;
}

void glue_window_accept_files(Fl_Widget* window, int flag) {
  if (Fl_AWindow* w = dynamic_cast<Fl_AWindow*>(window)) w->accept_files = flag != 0;
}

void glue_window_min_size(Fl_Widget* window, int w, int h) {
  if (Fl_AWindow* win = dynamic_cast<Fl_AWindow*>(window)) {
    win->minw = w;
    win->minh = h;
    win->ApplySizeRange();
  }
}

void glue_window_max_size(Fl_Widget* window, int w, int h) {
  if (Fl_AWindow* win = dynamic_cast<Fl_AWindow*>(window)) {
    win->maxw = w;
    win->maxh = h;
    win->ApplySizeRange();
  }
}

}  // namespace lexidor
