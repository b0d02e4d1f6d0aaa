// TFLWidget: the item operations of list boxes (FLTK browsers, lines from
// 1) and combo boxes (FLTK choices, items from 0).
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {

void TFLWidget::ClearListItems() {
  if (fltype == FLTYPE_TOOLBAR) {
    while (!tools.empty()) RemoveTool(static_cast<int>(tools.size()) - 1);
    return;
  }
  if (fltype == FLTYPE_TABS) {
    while (tabitems > 0) RemoveTab(tabitems - 1);
    return;
  }
  if (IsList()) glue_browser_clear(flhandle);
  if (IsChoice()) glue_choice_clear(flhandle);
  current = -1;
}

void TFLWidget::InsertListItem(int index, const String& text, const String& tip, int icon_index,
                               const ObjectRef&) {
  if (fltype == FLTYPE_TOOLBAR) InsertTool(index, icon_index, tip);
  if (fltype == FLTYPE_TABS) InsertTab(index, text, icon_index);
  if (IsList()) {
    glue_browser_insert(flhandle, index + 1, text);
    glue_browser_set_icon(flhandle, index + 1, IconImage(icons, icon_index));
  }
  if (IsChoice()) glue_choice_insert(flhandle, index, text);
}

void TFLWidget::SetListItem(int index, const String& text, const String& tip, int icon_index,
                            const ObjectRef&) {
  if (fltype == FLTYPE_TOOLBAR) SetTool(index, icon_index, tip);
  if (fltype == FLTYPE_TABS) SetTab(index, text, icon_index);
  if (IsList()) {
    glue_browser_set(flhandle, index + 1, text);
    glue_browser_set_icon(flhandle, index + 1, IconImage(icons, icon_index));
  }
  if (IsChoice()) glue_choice_set(flhandle, index, text);
}

void TFLWidget::RemoveListItem(int index) {
  if (fltype == FLTYPE_TABS) {
    RemoveTab(index);
    return;
  }
  if (fltype == FLTYPE_TOOLBAR) {
    RemoveTool(index);
    return;
  }
  if (IsList()) glue_browser_remove(flhandle, index + 1);
  if (IsChoice()) glue_choice_remove(flhandle, index);
  // The reported index moves with the items after the removed one.
  if (current == index) {
    current = -1;
  } else if (current > index) {
    --current;
  }
}

void TFLWidget::SetListItemState(int index, int state) {
  const bool selected = (state & ITEMSTATE_SELECTED) != 0;
  if (fltype == FLTYPE_TOOLBAR) {
    EnableTool(index, (state & ITEMSTATE_DISABLED) ? 0 : 1);
    SelectTool(index, selected ? 1 : 0);
    return;
  }
  if (fltype == FLTYPE_TABS) {
    // A tab cannot be unselected: another one is chosen instead.
    if (selected && index < tabitems) SelectTab(index);
    return;
  }
  if (IsList()) {
    glue_browser_select(flhandle, index + 1, selected ? 1 : 0);
  } else if (IsChoice()) {
    if (selected) {
      glue_choice_set_value(flhandle, index);
    } else if (glue_choice_value(flhandle) == index) {
      glue_choice_set_value(flhandle, -1);
    }
  } else {
    return;
  }
  // A selection the program makes is not the user's: it is no news when
  // the user picks the same item afterwards.
  if (fltype != FLTYPE_MULTIBROWSER) {
    if (selected) {
      current = index;
    } else if (current == index) {
      current = -1;
    }
  }
}

int TFLWidget::ListItemState(int index) {
  if (fltype == FLTYPE_TOOLBAR) return ToolState(index);
  if (fltype == FLTYPE_TABS) {
    return index < tabitems && index == tabselected ? ITEMSTATE_SELECTED : 0;
  }
  if (IsList()) return glue_browser_selected(flhandle, index + 1) ? ITEMSTATE_SELECTED : 0;
  if (IsChoice()) return glue_choice_value(flhandle) == index ? ITEMSTATE_SELECTED : 0;
  return 0;
}

}  // namespace lexidor
