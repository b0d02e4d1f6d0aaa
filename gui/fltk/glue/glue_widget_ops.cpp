// The glue's widget operations that FLTK's own classes provide: callbacks,
// boxes, labels, colours, geometry, visibility, buttons, groups, deletion,
// window options and text fields.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdlib>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

Fl_Window* AsWindow(Fl_Widget* widget) { return widget ? widget->as_window() : nullptr; }

Fl_Input_* AsInput(Fl_Widget* widget) {
  if (!widget) return nullptr;
  if (auto* choice = dynamic_cast<Fl_Input_Choice*>(widget)) return choice->input();
  return dynamic_cast<Fl_Input_*>(widget);
}

// Box types that draw a frame only, or nothing: what lies behind them must
// be repainted when they change.
bool IsFrameOrNoBox(Fl_Boxtype box) {
  switch (box) {
    case FL_NO_BOX:
    case FL_UP_FRAME:
    case FL_DOWN_FRAME:
    case FL_THIN_UP_FRAME:
    case FL_THIN_DOWN_FRAME:
    case FL_ENGRAVED_FRAME:
    case FL_EMBOSSED_FRAME:
    case FL_BORDER_FRAME:
      return true;
    default:
      return false;
  }
}

}  // namespace

void glue_set_callback(Fl_Widget* widget, GlueCallback callback, void* user_data) {
  if (!widget || !callback) return;
  glue_detail::SetDriverCallback(callback);
  widget->callback(callback, user_data);
}

void glue_set_widget_type(Fl_Widget* widget, int type) {
  if (widget) widget->type(static_cast<uchar>(type));
}

void glue_set_box(Fl_Widget* widget, int box, int redraw) {
  if (!widget) return;
  if (widget->box() != static_cast<Fl_Boxtype>(box)) widget->box(static_cast<Fl_Boxtype>(box));
  if (redraw) glue_redraw(widget);
}

int glue_get_box(Fl_Widget* widget) { return widget ? static_cast<int>(widget->box()) : 0; }

void glue_set_align(Fl_Widget* widget, int align) {
  if (widget) widget->align(static_cast<Fl_Align>(align));
}

int glue_get_align(Fl_Widget* widget) { return widget ? static_cast<int>(widget->align()) : 0; }

void glue_set_label(Fl_Widget* widget, const String& text) {
  if (!widget) return;
  widget->copy_label(ToUtf8(text).c_str());
  widget->redraw_label();
}

String glue_get_label(Fl_Widget* widget) {
  if (!widget || !widget->label()) return String();
  return FromUtf8(widget->label());
}

void glue_set_window_title(Fl_Widget* window, const String& text) {
  // A window's label is its title; FLTK passes it on to the window manager.
  if (Fl_Window* w = AsWindow(window)) w->copy_label(ToUtf8(text).c_str());
}

void glue_set_tooltip(Fl_Widget* widget, const String& text) {
  if (!widget) return;
  if (text.empty()) {
    widget->tooltip(nullptr);
  } else {
    widget->copy_tooltip(ToUtf8(text).c_str());
  }
}

String glue_get_tooltip(Fl_Widget* widget) {
  if (!widget || !widget->tooltip()) return String();
  return FromUtf8(widget->tooltip());
}

void glue_set_label_font(Fl_Widget* widget, int font, int size) {
  if (!widget) return;
  widget->labelfont(static_cast<Fl_Font>(font));
  widget->labelsize(static_cast<Fl_Fontsize>(size));
}

int glue_get_label_font(Fl_Widget* widget) { return widget ? widget->labelfont() : 0; }
int glue_get_label_size(Fl_Widget* widget) { return widget ? widget->labelsize() : 0; }

// --- Colours -------------------------------------------------------------------

unsigned glue_rgb_color(int r, int g, int b) {
  unsigned value = (static_cast<unsigned>(r & 255) << 24) | (static_cast<unsigned>(g & 255) << 16) |
                   (static_cast<unsigned>(b & 255) << 8);
  return value ? value : FLCOLOR_BLACK;
}

void glue_set_color(Fl_Widget* widget, int r, int g, int b) {
  if (!widget) return;
  Fl_Color color = glue_rgb_color(r, g, b);
  widget->color(color);
  // The selection colour stays FLTK's own while it stands out against the
  // new background; otherwise it becomes the background's complement, or,
  // for a background near mid-grey (whose complement would look the same),
  // the background shifted by half the range.
  Fl_Color selection = FLCOLOR_SELECTION;
  if (fl_contrast(FLCOLOR_SELECTION, color) != FLCOLOR_SELECTION) {
    int distance = std::abs(255 - 2 * r) + std::abs(255 - 2 * g) + std::abs(255 - 2 * b);
    if (distance >= 64) {
      selection = glue_rgb_color(255 - r, 255 - g, 255 - b);
    } else {
      selection = glue_rgb_color((r - 128) & 255, (g - 128) & 255, (b - 128) & 255);
    }
  }
  widget->selection_color(selection);
}

void glue_set_label_color(Fl_Widget* widget, int r, int g, int b) {
  if (widget) widget->labelcolor(glue_rgb_color(r, g, b));
}

unsigned glue_get_color(Fl_Widget* widget) { return widget ? widget->color() : 0; }
unsigned glue_get_selection_color(Fl_Widget* widget) {
  return widget ? widget->selection_color() : 0;
}
unsigned glue_get_label_color(Fl_Widget* widget) { return widget ? widget->labelcolor() : 0; }

// --- Geometry, drawing, visibility ------------------------------------------------

void glue_widget_geometry(Fl_Widget* widget, int* x, int* y, int* w, int* h) {
  *x = widget ? widget->x() : 0;
  *y = widget ? widget->y() : 0;
  *w = widget ? widget->w() : 0;
  *h = widget ? widget->h() : 0;
}

void glue_resize_widget(Fl_Widget* widget, int x, int y, int w, int h) {
  if (!widget) return;
  if (widget->x() == x && widget->y() == y && widget->w() == w && widget->h() == h) return;
  // The old area must be repainted too when the widget paints no background
  // of its own.
  if (!AsWindow(widget) && IsFrameOrNoBox(widget->box())) glue_redraw(widget);
  widget->resize(x, y, w, h);
  glue_redraw(widget);
}

void glue_redraw(Fl_Widget* widget) {
  if (!widget) return;
  glue_detail::CountRedraw();
  widget->redraw();
  if (!AsWindow(widget) && IsFrameOrNoBox(widget->box())) {
    if (Fl_Window* window = widget->window()) {
      window->damage(FL_DAMAGE_ALL, widget->x(), widget->y(), widget->w(), widget->h());
    }
  }
  widget->redraw_label();
}

void glue_show_widget(Fl_Widget* widget, int flag) {
  if (!widget) return;
  if (flag) {
    widget->show();
  } else {
    widget->hide();
  }
}

void glue_show_window(Fl_Widget* window, int mode) {
  Fl_Window* w = AsWindow(window);
  if (!w) return;
  if (mode == 2) {
    if (w->shown()) w->iconize();
  } else if (mode) {
    w->show();
  } else {
    w->hide();
  }
}

int glue_widget_visible(Fl_Widget* widget) { return widget && widget->visible() ? 1 : 0; }

void glue_activate_widget(Fl_Widget* widget, int flag) {
  if (!widget) return;
  if (flag) {
    widget->activate();
  } else {
    widget->deactivate();
  }
}

int glue_widget_active(Fl_Widget* widget) { return widget && widget->active() ? 1 : 0; }

int glue_button_value(Fl_Widget* widget) {
  auto* button = dynamic_cast<Fl_Button*>(widget);
  return button ? button->value() : 0;
}

void glue_set_button_value(Fl_Widget* widget, int value) {
  if (auto* button = dynamic_cast<Fl_Button*>(widget)) button->value(value ? 1 : 0);
}

void glue_set_shortcut(Fl_Widget* widget, int key) {
  if (auto* button = dynamic_cast<Fl_Button*>(widget)) button->shortcut(key);
}

int glue_get_shortcut(Fl_Widget* widget) {
  auto* button = dynamic_cast<Fl_Button*>(widget);
  return button ? button->shortcut() : 0;
}

void glue_take_focus(Fl_Widget* widget) {
  if (widget) widget->take_focus();
}

// --- Groups and deletion ----------------------------------------------------------

void glue_group_add(Fl_Widget* group, Fl_Widget* widget) {
  Fl_Group* g = group ? group->as_group() : nullptr;
  if (g && widget && widget->parent() != g) g->add(widget);
}

void glue_group_remove(Fl_Widget* group, Fl_Widget* widget) {
  Fl_Group* g = group ? group->as_group() : nullptr;
  if (g && widget && widget->parent() == g) g->remove(widget);
}

void glue_delete_widget(Fl_Widget* widget) {
  if (!widget) return;
  // Out of its group at once, so that deleting the group meanwhile cannot
  // delete it a second time.
  if (Fl_Group* parent = widget->parent()) parent->remove(widget);
  Fl::delete_widget(widget);
}

void glue_destroy_widget(Fl_Widget* widget) {
  if (!widget) return;
  if (Fl_Group* parent = widget->parent()) parent->remove(widget);
  delete widget;
}

// --- Windows ------------------------------------------------------------------------

void glue_window_no_border(Fl_Widget* window) {
  if (Fl_Window* w = AsWindow(window)) w->border(0);
}

void glue_window_set_non_modal(Fl_Widget* window) {
  if (Fl_Window* w = AsWindow(window)) w->set_non_modal();
}

unsigned long glue_window_xid(Fl_Widget* window) {
  Fl_Window* w = AsWindow(window);
  return w && w->shown() ? fl_xid(w) : 0;
}

// --- Text fields ----------------------------------------------------------------------

void glue_input_set_value(Fl_Widget* widget, const String& text) {
  Fl_Input_* input = AsInput(widget);
  if (!input) return;
  std::string bytes = ToUtf8(text);
  input->value(bytes.data(), static_cast<int>(bytes.size()));
  input->position(0, input->size());
}

String glue_input_value(Fl_Widget* widget) {
  Fl_Input_* input = AsInput(widget);
  if (!input || !input->value()) return String();
  return FromUtf8(std::string_view(input->value(), static_cast<size_t>(input->size())));
}

void glue_input_select_all(Fl_Widget* widget) {
  if (Fl_Input_* input = AsInput(widget)) input->position(0, input->size());
}

}  // namespace lexidor
