// The glue's sliders, scroll bars and progress bars.
#include <FL/Fl_Progress.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Slider.H>

#include <algorithm>

#include "gui/fltk/glue/glue.h"

namespace lexidor {

void glue_valuator_range(Fl_Widget* valuator, int visible, int total) {
  total = std::max(0, total);
  visible = std::max(0, std::min(visible, total));
  if (auto* bar = dynamic_cast<Fl_Scrollbar*>(valuator)) {
    const int pos = std::min(static_cast<int>(bar->value()), total - visible);
    bar->value(std::max(0, pos), visible, 0, total);
    // The arrows step one unit of the program's range (FLTK's default of 16
    // suits pixel counts).
    bar->linesize(1);
    bar->redraw();
  } else if (auto* slider = dynamic_cast<Fl_Slider*>(valuator)) {
    slider->bounds(0, total);
    slider->value(slider->clamp(slider->value()));
    slider->redraw();
  }
}

void glue_valuator_set(Fl_Widget* valuator, double value) {
  if (auto* slider = dynamic_cast<Fl_Slider*>(valuator)) {
    // A scroll bar's range runs from minimum to maximum as well.
    slider->value(slider->clamp(value));
    slider->redraw();
  }
}

double glue_valuator_value(Fl_Widget* valuator) {
  auto* slider = dynamic_cast<Fl_Slider*>(valuator);
  return slider ? slider->value() : 0;
}

void glue_progress_set(Fl_Widget* progress, float value) {
  if (auto* bar = dynamic_cast<Fl_Progress*>(progress)) {
    bar->value(std::max(0.0f, std::min(1.0f, value)));
    bar->redraw();
  }
}

float glue_progress_value(Fl_Widget* progress) {
  auto* bar = dynamic_cast<Fl_Progress*>(progress);
  return bar ? bar->value() : 0;
}

}  // namespace lexidor
