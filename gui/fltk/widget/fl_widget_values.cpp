// TFLWidget: sliders, scroll bars and progress bars.
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_widget.h"

namespace lexidor {

void TFLWidget::SetValue(float value) {
  if (fltype == FLTYPE_PROGRESS) glue_progress_set(flhandle, value);
}

void TFLWidget::SetRange(int visible_amount, int total_range) {
  if (fltype != FLTYPE_SLIDER && fltype != FLTYPE_SCROLLBAR) return;
  visible = visible_amount;
  total = total_range;
  glue_valuator_range(flhandle, visible_amount, total_range);
}

void TFLWidget::SetProp(int value) {
  if (fltype == FLTYPE_SLIDER || fltype == FLTYPE_SCROLLBAR) glue_valuator_set(flhandle, value);
}

int TFLWidget::GetProp() {
  if (fltype == FLTYPE_SLIDER || fltype == FLTYPE_SCROLLBAR) {
    return static_cast<int>(glue_valuator_value(flhandle));
  }
  return 0;
}

}  // namespace lexidor
