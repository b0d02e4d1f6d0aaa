// TFLWidget: the pages of a tabber.  Each tab item has a page, an FLTK
// group inside the tab group; gadgets made in the tabber go into the page
// shown at the time, so FLTK shows and hides them with their tab.
#include <algorithm>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {

void TFLWidget::CreateTabGroup() {
  auto page = Create(this, 0, 0, ClientWidth(), ClientHeight(), String(), FLTYPE_GROUP, 0);
  tabpanels = {page};
  tabgroup = currpanel = page;
  tabselected = 0;
  tabitems = 0;
}

void TFLWidget::InsertTab(int index, const String& text, int icon_index) {
  if (fltype != FLTYPE_TABS) return;
  index = std::max(0, std::min(index, tabitems));
  if (tabitems == 0 && tabpanels.size() == 1) {
    // The unnamed first page becomes the first tab.
    glue_set_label(tabpanels[0]->flhandle, text);
  } else {
    auto page = Create(this, 0, 0, ClientWidth(), ClientHeight(), text, FLTYPE_GROUP, 0);
    glue_group_insert(flhandle, page->flhandle, index);
    tabpanels.insert(tabpanels.begin() + index, page);
    // A new page stays behind the one shown.
    glue_show_widget(page->flhandle, 0);
    if (currpanel) glue_tabs_set_value(flhandle, currpanel->flhandle);
  }
  ++tabitems;
  tabpanels[index]->icon = icon_index;
  glue_tab_set_icon(tabpanels[index]->flhandle, IconImage(icons, icon_index));
  for (size_t i = 0; i < tabpanels.size(); ++i) tabpanels[i]->tag = static_cast<int>(i);
  tabselected = currpanel ? currpanel->tag : 0;
  SetDirty();
}

void TFLWidget::SetTab(int index, const String& text, int icon_index) {
  if (fltype != FLTYPE_TABS || index < 0 || index >= tabitems) return;
  glue_set_label(tabpanels[index]->flhandle, text);
  tabpanels[index]->icon = icon_index;
  glue_tab_set_icon(tabpanels[index]->flhandle, IconImage(icons, icon_index));
  SetDirty();
}

void TFLWidget::RemoveTab(int index) {
  if (fltype != FLTYPE_TABS || index < 0 || index >= tabitems) return;
  if (tabitems == 1) {
    // The last page stays, unnamed, for the gadgets still on it.
    glue_set_label(tabpanels[0]->flhandle, String());
    glue_tab_set_icon(tabpanels[0]->flhandle, nullptr);
    tabitems = 0;
    SetDirty();
    return;
  }
  FLWidgetRef page = tabpanels[index];
  tabpanels.erase(tabpanels.begin() + index);
  --tabitems;
  for (size_t i = 0; i < tabpanels.size(); ++i) tabpanels[i]->tag = static_cast<int>(i);
  if (page == currpanel) {
    page->Free();
    SelectTab(std::min(index, tabitems - 1));
  } else {
    page->Free();
    tabselected = currpanel ? currpanel->tag : 0;
  }
  SetDirty();
}

void TFLWidget::SelectTab(int index) {
  if (fltype != FLTYPE_TABS || index < 0 || index >= static_cast<int>(tabpanels.size())) return;
  currpanel = tabgroup = tabpanels[index];
  tabselected = index;
  glue_tabs_set_value(flhandle, currpanel->flhandle);
}

int TFLWidget::SelectedTab() { return tabitems > 0 ? tabselected : -1; }

}  // namespace lexidor
