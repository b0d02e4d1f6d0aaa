// TFLWidget: tool bars.  Each item of a tool bar is a tool: an active panel
// as high as the bar, square, showing one icon of the bar's icon strip.  A
// tool is flat until the pointer is over it, raised then, sunk while
// pressed (and while a toggle tool is on).
#include <algorithm>

#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {

namespace {

constexpr int kDisabledTool = 0x10000;
constexpr int kGap = 2;

}  // namespace

void TFLWidget::LayoutToolBar() {
  const int size = std::max(1, height - 2);
  for (size_t i = 0; i < tools.size(); ++i) {
    tools[i]->SetShape(1 + static_cast<int>(i) * (size + kGap), 1, size, size);
    tools[i]->tag = static_cast<int>(i) | (tools[i]->tag & kDisabledTool);
  }
  SetDirty();
}

void TFLWidget::InsertTool(int index, int icon_index, const String& tip) {
  if (fltype != FLTYPE_TOOLBAR) return;
  index = std::max(0, std::min(index, static_cast<int>(tools.size())));
  FLWidgetRef tool = Create(this, 0, 0, 1, 1, String(), FLTYPE_PANEL, 0x2);
  tool->gadclass = KIND_PANEL;
  tool->tag = index;
  tools.insert(tools.begin() + index, tool);
  SetTool(index, icon_index, tip);
  LayoutToolBar();
}

void TFLWidget::SetTool(int index, int icon_index, const String& tip) {
  if (fltype != FLTYPE_TOOLBAR || index < 0 || index >= static_cast<int>(tools.size())) return;
  TFLWidget* tool = tools[index].get();
  tool->icon = icon_index;
  glue_panel_set_image(tool->flhandle, IconImage(icons, icon_index));
  tool->SetTooltip(tip);
}

void TFLWidget::RemoveTool(int index) {
  if (fltype != FLTYPE_TOOLBAR || index < 0 || index >= static_cast<int>(tools.size())) return;
  FLWidgetRef tool = tools[index];
  tools.erase(tools.begin() + index);
  tool->Free();
  LayoutToolBar();
}

void TFLWidget::EnableTool(int index, int flag) {
  if (fltype != FLTYPE_TOOLBAR || index < 0 || index >= static_cast<int>(tools.size())) return;
  TFLWidget* tool = tools[index].get();
  tool->tag = flag ? (tool->tag & ~kDisabledTool) : (tool->tag | kDisabledTool);
  tool->SetEnabled(flag);
}

void TFLWidget::SelectTool(int index, int flag) {
  if (fltype != FLTYPE_TOOLBAR || index < 0 || index >= static_cast<int>(tools.size())) return;
  TFLWidget* tool = tools[index].get();
  tool->checked = flag ? 1 : 0;
  glue_set_box(tool->flhandle, flag ? FLBOX_THIN_DOWN_BOX : FLBOX_NO_BOX, 1);
}

int TFLWidget::ToolState(int index) {
  if (fltype != FLTYPE_TOOLBAR || index < 0 || index >= static_cast<int>(tools.size())) return 0;
  TFLWidget* tool = tools[index].get();
  int state = 0;
  if (tool->tag & kDisabledTool) state |= ITEMSTATE_DISABLED;
  if (tool->checked) state |= ITEMSTATE_SELECTED;
  return state;
}

void TFLWidget::ToolEvent(int reason, int mx, int my) {
  auto* bar = dynamic_cast<TFLWidget*>(parent);
  if (!bar || (tag & kDisabledTool)) return;
  // A toggle tool that is on stays sunk.
  const int rest_box = checked ? FLBOX_THIN_DOWN_BOX : FLBOX_NO_BOX;
  const int over_box = checked ? FLBOX_THIN_DOWN_BOX : FLBOX_THIN_UP_BOX;
  switch (reason) {
    case FLEVENT_PUSH:
      if (glue_event_button() != 1) return;
      glue_set_box(flhandle, FLBOX_THIN_DOWN_BOX, 1);
      break;
    case FLEVENT_RELEASE: {
      if (glue_event_button() != 1) return;
      GadgetRef keep = Self();
      if (mx > 0 && mx < width && my > 0 && my < height) {
        const int i = tag & 0xffff;
        GadgetRef bar_ref = bar->Self();
        if (i < static_cast<int>(bar->items.size()) &&
            (bar->items[i].flags & ITEMFLAG_TOGGLEICON)) {
          bar->SelectItem(i, ITEM_TOGGLE);
        }
        RaiseGadgetEvent(EVENT_GADGETACTION, bar_ref, i, 0, 0, 0, nullptr);
      }
      if (flhandle) glue_set_box(flhandle, checked ? FLBOX_THIN_DOWN_BOX : FLBOX_THIN_UP_BOX, 1);
      break;
    }
    case FLEVENT_ENTER:
      glue_set_box(flhandle, over_box, 1);
      break;
    case FLEVENT_DRAG:
      glue_set_box(flhandle,
                   mx > 0 && mx < width && my > 0 && my < height ? FLBOX_THIN_DOWN_BOX : rest_box,
                   1);
      break;
    case FLEVENT_LEAVE:
      glue_set_box(flhandle, rest_box, 1);
      break;
    default:
      break;
  }
}

}  // namespace lexidor
