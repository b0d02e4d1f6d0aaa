// The glue's menus: a menu bar's items and pop-up menus, built from a flat
// list of entries into FLTK's menu-item arrays.  The glue owns the arrays
// and their label texts.
#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

// An FLTK menu-item array with the texts it points to.
struct MenuArray {
  std::vector<std::unique_ptr<std::string>> texts;
  std::vector<Fl_Menu_Item> items;
};

// The arrays of the menu bars, by widget.  Replaced on each rebuild.
std::map<Fl_Widget*, std::unique_ptr<MenuArray>>& BarArrays() {
  static std::map<Fl_Widget*, std::unique_ptr<MenuArray>> arrays;
  return arrays;
}

std::unique_ptr<MenuArray> Build(const std::vector<GlueMenuEntry>& entries, GlueCallback callback) {
  auto array = std::make_unique<MenuArray>();
  array->items.reserve(entries.size() + 1);
  for (const GlueMenuEntry& entry : entries) {
    Fl_Menu_Item item = {};
    if (entry.flags & GLUEMENU_END) {
      array->items.push_back(item);  // a submenu's terminator
      continue;
    }
    array->texts.push_back(std::make_unique<std::string>(ToUtf8(entry.text)));
    item.text = array->texts.back()->c_str();
    item.shortcut_ = entry.shortcut;
    item.callback_ = reinterpret_cast<Fl_Callback*>(callback);
    item.user_data_ = entry.user_data;
    int flags = 0;
    if (entry.flags & GLUEMENU_CHECKABLE) flags |= FL_MENU_TOGGLE;
    if (entry.flags & GLUEMENU_CHECKED) flags |= FL_MENU_TOGGLE | FL_MENU_VALUE;
    if (entry.flags & GLUEMENU_INACTIVE) flags |= FL_MENU_INACTIVE;
    if (entry.flags & GLUEMENU_DIVIDER) flags |= FL_MENU_DIVIDER;
    if (entry.flags & GLUEMENU_SUBMENU) flags |= FL_SUBMENU;
    item.flags = flags;
    item.labelsize_ = FL_NORMAL_SIZE;
    item.labelcolor_ = FL_FOREGROUND_COLOR;
    array->items.push_back(item);
  }
  array->items.push_back(Fl_Menu_Item{});
  return array;
}

}  // namespace

void glue_menubar_set(Fl_Widget* bar, const std::vector<GlueMenuEntry>& entries,
                      GlueCallback callback) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  if (!menubar) return;
  std::unique_ptr<MenuArray> array = Build(entries, callback);
  menubar->menu(array->items.data());
  BarArrays()[bar] = std::move(array);
  menubar->redraw();
}

void glue_menubar_forget(Fl_Widget* bar) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  if (menubar) menubar->menu(nullptr);
  BarArrays().erase(bar);
}

int glue_menubar_size(Fl_Widget* bar) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  return menubar && menubar->menu() ? menubar->size() - 1 : 0;
}

String glue_menubar_text(Fl_Widget* bar, int index) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  if (!menubar || index < 0 || index >= glue_menubar_size(bar)) return String();
  const char* text = menubar->menu()[index].label();
  return text ? FromUtf8(text) : String();
}

int glue_menubar_flags(Fl_Widget* bar, int index) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  if (!menubar || index < 0 || index >= glue_menubar_size(bar)) return 0;
  const int flags = menubar->menu()[index].flags;
  int out = 0;
  if (flags & FL_MENU_TOGGLE) out |= GLUEMENU_CHECKABLE;
  if (flags & FL_MENU_VALUE) out |= GLUEMENU_CHECKED;
  if (flags & FL_MENU_INACTIVE) out |= GLUEMENU_INACTIVE;
  if (flags & FL_MENU_DIVIDER) out |= GLUEMENU_DIVIDER;
  if (flags & FL_SUBMENU) out |= GLUEMENU_SUBMENU;
  return out;
}

int glue_menubar_shortcut(Fl_Widget* bar, int index) {
  auto* menubar = dynamic_cast<Fl_Menu_Bar*>(bar);
  if (!menubar || index < 0 || index >= glue_menubar_size(bar)) return 0;
  return menubar->menu()[index].shortcut();
}

void* glue_menu_popup(const std::vector<GlueMenuEntry>& entries) {
  if (entries.empty()) return nullptr;
  std::unique_ptr<MenuArray> array = Build(entries, nullptr);
  const Fl_Menu_Item* picked = array->items[0].popup(Fl::event_x(), Fl::event_y());
  return picked ? picked->user_data() : nullptr;
}

}  // namespace lexidor
