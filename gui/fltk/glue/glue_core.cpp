// The glue's start-up, event pump, current-event accessors, screen and font
// tables.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>

#include "gui/events/timing.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

bool fltk_open = false;
int font_count = 0;
GlueKeyFilter key_filter = nullptr;
GlueCallback driver_callback = nullptr;
int recorded_reason = 0;
int redraw_count = 0;

}  // namespace

namespace glue_detail {

GlueKeyFilter KeyFilter() { return key_filter; }
GlueCallback DriverCallback() { return driver_callback; }
void SetDriverCallback(GlueCallback callback) { driver_callback = callback; }
int RecordedReason() { return recorded_reason; }
void SetRecordedReason(int reason) { recorded_reason = reason; }
void CountRedraw() { ++redraw_count; }

}  // namespace glue_detail

int glue_redraw_count() { return redraw_count; }

int glue_init_fltk(void* display, GlueEventHandler event_handler, GlueKeyFilter filter) {
  if (fltk_open) return font_count;
  // FLTK takes the connection the console driver opened: one X connection,
  // one event stream.  FLTK also watches its file descriptor, which its own
  // modal loops (message boxes, choosers) rely on.
  fl_open_display(static_cast<Display*>(display));
  // A double-buffered visual when the server offers one; FLTK keeps its
  // default visual otherwise.
  Fl::visual(FL_DOUBLE);
  Fl::scheme("gtk+");
  if (event_handler) Fl::add_handler(event_handler);
  key_filter = filter;
  font_count = Fl::set_fonts("-*");
  fltk_open = true;
  // Static objects that outlive this point may still hold widgets when the
  // process ends, after the console driver has closed the display: from
  // then on the glue leaves FLTK alone.
  std::atexit([] { fltk_open = false; });
  return font_count;
}

bool glue_fltk_open() { return fltk_open; }

bool glue_set_window_identity(const char* xclass, const unsigned char* png, int png_size) {
  Fl_Window::default_xclass(xclass);
  if (!png || png_size <= 0) return true;
  // FLTK copies the image; the decoded one is not needed afterwards.
  Fl_PNG_Image icon(nullptr, png, png_size);
  if (icon.fail() || icon.w() <= 0 || icon.h() <= 0) return false;
  Fl_Window::default_icon(&icon);
  return true;
}

void glue_watch_descriptor(int fd, void (*on_readable)(void* data), void* data) {
  if (!fltk_open || fd < 0 || !on_readable) return;
  // FLTK's fd callbacks take the descriptor too; the record carries both.
  struct Watch {
    void (*on_readable)(void*);
    void* data;
  };
  Fl::add_fd(
      fd, FL_READ,
      [](int, void* record) {
        auto* watch = static_cast<Watch*>(record);
        watch->on_readable(watch->data);
      },
      new Watch{on_readable, data});  // lives as long as the watch: the process
}

int glue_check() {
  if (!fltk_open) return 0;
  return Fl::check();
}

void glue_wait(double max_seconds) {
  if (!fltk_open) return;
  // The 1 ms SIGALRM tick would end FLTK's select every millisecond; hold it
  // off for the length of the wait (it is delivered, once, when the mask is
  // restored).  Every other signal, SIGCHLD above all, still ends the wait.
  TickHold hold;
  Fl::wait(max_seconds);
  // A wait ended by FLTK's next timeout returns just before the timeout
  // is due; this pass runs it, so it is not left for the next wait.
  Fl::wait(0.0);
}

void glue_handle_xevent(const void* xevent) {
  if (!fltk_open || !xevent) return;
  fl_handle(*static_cast<const XEvent*>(xevent));
}

int glue_callback_reason() {
  if (recorded_reason) return recorded_reason;
  return Fl::event();
}

// --- The current FLTK event --------------------------------------------------

int glue_event_key() { return Fl::event_key(); }
int glue_event_state() { return Fl::event_state(); }
int glue_event_x() { return Fl::event_x(); }
int glue_event_y() { return Fl::event_y(); }
int glue_event_dy() { return Fl::event_dy(); }
int glue_event_button() { return Fl::event_button(); }
int glue_event_clicks() { return Fl::event_clicks(); }

String glue_event_text() {
  const char* text = Fl::event_text();
  if (!text) return String();
  return FromUtf8(std::string_view(text, static_cast<size_t>(std::max(Fl::event_length(), 0))));
}

Fl_Widget* glue_focus_widget() { return Fl::focus(); }

int glue_widget_pushed(Fl_Widget* widget) { return widget && Fl::pushed() == widget ? 1 : 0; }

void* glue_owner_data(Fl_Widget* widget) {
  for (Fl_Widget* w = widget; w; w = w->parent()) {
    if (driver_callback && w->callback() == driver_callback) return w->user_data();
  }
  return nullptr;
}

// --- Screen, pointer and fonts ----------------------------------------------------

void glue_screen_work_area(int* x, int* y, int* w, int* h) {
  int X = 0, Y = 0, W = 0, H = 0;
  if (fltk_open) Fl::screen_work_area(X, Y, W, H, 0);
  *x = X;
  *y = Y;
  *w = W;
  *h = H;
}

void glue_set_cursor(int cursor, unsigned fg, unsigned bg) {
  if (!fltk_open) return;
  if (Fl_Window* window = Fl::first_window()) {
    window->cursor(static_cast<Fl_Cursor>(cursor), static_cast<Fl_Color>(fg),
                   static_cast<Fl_Color>(bg));
  }
}

int glue_font_count() { return font_count; }

String glue_font_name(int index) {
  if (index < 0 || index >= font_count) return String();
  const char* name = Fl::get_font(static_cast<Fl_Font>(index));
  return name ? FromUtf8(name) : String();
}

int glue_font_attributes(int index) {
  if (index < 0 || index >= font_count) return 0;
  int attributes = 0;
  Fl::get_font_name(static_cast<Fl_Font>(index), &attributes);
  return attributes;
}

int glue_nearest_font_size(int index, int size) {
  if (index < 0 || index >= font_count) return size;
  int* sizes = nullptr;
  int n = Fl::get_font_sizes(static_cast<Fl_Font>(index), sizes);
  if (n <= 0 || !sizes) return size;
  // A 0 in the list marks a scalable font: every size exists.
  for (int i = 0; i < n; ++i) {
    if (sizes[i] == 0) return size;
  }
  int best = -1, smallest = sizes[0];
  for (int i = 0; i < n; ++i) {
    smallest = std::min(smallest, sizes[i]);
    if (sizes[i] <= size && sizes[i] > best) best = sizes[i];
  }
  return best >= 0 ? best : smallest;
}

}  // namespace lexidor
