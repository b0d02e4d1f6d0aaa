// The glue's tab groups: pages are the Fl_Tabs' child groups, in tab order.
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Tabs.H>

#include "gui/fltk/glue/glue.h"

namespace lexidor {

void glue_group_insert(Fl_Widget* group, Fl_Widget* widget, int index) {
  Fl_Group* g = group ? group->as_group() : nullptr;
  if (!g || !widget) return;
  g->insert(*widget, index);
}

int glue_tabs_value(Fl_Widget* tabs) {
  auto* t = dynamic_cast<Fl_Tabs*>(tabs);
  if (!t) return -1;
  Fl_Widget* page = t->value();
  return page ? t->find(page) : -1;
}

void glue_tabs_set_value(Fl_Widget* tabs, Fl_Widget* page) {
  auto* t = dynamic_cast<Fl_Tabs*>(tabs);
  if (!t || !page) return;
  t->value(page);
  t->redraw();
}

int glue_tabs_under_pointer(Fl_Widget* tabs) {
  auto* t = dynamic_cast<Fl_Tabs*>(tabs);
  if (!t) return -1;
  Fl_Widget* page = t->which(Fl::event_x(), Fl::event_y());
  return page ? t->find(page) : -1;
}

}  // namespace lexidor
