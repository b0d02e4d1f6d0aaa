// TFLWidget: menus.  Menu items are TFLWidgets without an FLTK widget
// (fltype FLTYPE_MENU) in a tree: a window's menu bar shows the kids of the
// window's root item, and an item with kids is a submenu.  An item titled
// "-" draws a line below the item before it.
#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"

namespace lexidor {

namespace {

const String kDivider = u"-";

// The entries of `menu`'s kids, submenus nested.
void Flatten(TFLWidget* menu, std::vector<GlueMenuEntry>* entries) {
  for (const GadgetRef& kid : menu->kids) {
    auto* item = dynamic_cast<TFLWidget*>(kid.get());
    if (!item || item->fltype != FLTYPE_MENU) continue;
    if (item->name == kDivider) {
      if (!entries->empty()) entries->back().flags |= GLUEMENU_DIVIDER;
      continue;
    }
    int flags = 0;
    if (!item->enabled) flags |= GLUEMENU_INACTIVE;
    if (!item->kids.empty()) {
      entries->push_back({item->name, 0, flags | GLUEMENU_SUBMENU, item});
      Flatten(item, entries);
      entries->push_back({String(), 0, GLUEMENU_END, nullptr});
      continue;
    }
    if (item->check) flags |= item->checked ? GLUEMENU_CHECKED : GLUEMENU_CHECKABLE;
    entries->push_back({item->name, item->flshortcut, flags, item});
  }
}

}  // namespace

GadgetRef TFLWidget::GetMenu() {
  if (fltype != FLTYPE_WINDOW) return nullptr;
  if (!menu) {
    menu = CreateMenu(String(), 0, nullptr);
    menu->_setparent(this, -1);
  }
  return menu;
}

TFLWidget* TFLWidget::MenuWindow() {
  for (TGadget* p = parent; p; p = p->parent) {
    auto* w = dynamic_cast<TFLWidget*>(p);
    if (!w) return nullptr;
    if (w->fltype == FLTYPE_WINDOW) return w;
    if (w->fltype != FLTYPE_MENU) return nullptr;
  }
  return nullptr;
}

void TFLWidget::UpdateMenu() {
  if (fltype == FLTYPE_MENU) {
    if (TFLWidget* window = MenuWindow()) window->UpdateMenu();
    return;
  }
  if (fltype != FLTYPE_WINDOW || !menubar || !menu) return;
  std::vector<GlueMenuEntry> entries;
  Flatten(menu.get(), &entries);
  glue_menubar_set(menubar->flhandle, entries, Handler);
}

void TFLWidget::PopupMenu(const GadgetRef& menu_gadget, const ObjectRef& menu_extra) {
  auto* root = dynamic_cast<TFLWidget*>(menu_gadget.get());
  if (!root || root->fltype != FLTYPE_MENU) return;
  std::vector<GlueMenuEntry> entries;
  Flatten(root, &entries);
  auto* picked = static_cast<TFLWidget*>(glue_menu_popup(entries));
  if (!picked) return;
  GadgetRef keep = picked->Self();
  if (!keep) return;
  picked->MenuPicked(menu_extra);
  // A check mark flipped here shows in the window's bar as well.
  if (picked->check) picked->UpdateMenu();
}

void TFLWidget::MenuPicked(const ObjectRef& menu_extra) {
  // FLTK flips a bar item's mark itself; the item follows.
  if (check) checked = !checked;
  RaiseGadgetEvent(EVENT_MENUACTION, Self(), tag, 0, 0, 0, menu_extra);
}

}  // namespace lexidor
