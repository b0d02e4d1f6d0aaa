// The glue's tree views (Fl_Tree).  Items cross as opaque pointers; each
// item's user data is the driver's node for it.
#include <FL/Fl.H>
#include <FL/Fl_Tree.H>
#include <FL/Fl_Tree_Item.H>

#include <string>

#include "gui/fltk/glue/glue.h"

namespace lexidor {

namespace {

Fl_Tree* TreeOf(Fl_Widget* widget) { return dynamic_cast<Fl_Tree*>(widget); }
Fl_Tree_Item* ItemOf(void* item) { return static_cast<Fl_Tree_Item*>(item); }

}  // namespace

void* glue_tree_root(Fl_Widget* tree) {
  Fl_Tree* t = TreeOf(tree);
  return t ? t->root() : nullptr;
}

void* glue_tree_insert(Fl_Widget* tree, void* parent, int index, const String& text,
                       void* user_data) {
  Fl_Tree* t = TreeOf(tree);
  Fl_Tree_Item* p = ItemOf(parent);
  if (!t || !p) return nullptr;
  const std::string label = ToUtf8(text);
  Fl_Tree_Item* item = index >= 0 && index < p->children() ? t->insert(p, label.c_str(), index)
                                                           : t->add(p, label.c_str());
  if (item) item->user_data(user_data);
  t->redraw();
  return item;
}

void glue_tree_set_label(Fl_Widget* tree, void* item, const String& text) {
  Fl_Tree* t = TreeOf(tree);
  if (!t || !item) return;
  ItemOf(item)->label(ToUtf8(text).c_str());  // the item keeps a copy
  t->redraw();
}

String glue_tree_label(void* item) {
  const char* text = item ? ItemOf(item)->label() : nullptr;
  return text ? FromUtf8(text) : String();
}

void glue_tree_set_icon(Fl_Widget* tree, void* item, Fl_Image* image) {
  Fl_Tree* t = TreeOf(tree);
  if (!t || !item || item == t->root()) return;
  ItemOf(item)->usericon(image);
  t->redraw();
}

Fl_Image* glue_tree_icon(void* item) { return item ? ItemOf(item)->usericon() : nullptr; }

void glue_tree_remove(Fl_Widget* tree, void* item) {
  Fl_Tree* t = TreeOf(tree);
  if (!t || !item || item == t->root()) return;
  t->remove(ItemOf(item));
  t->redraw();
}

void glue_tree_select(Fl_Widget* tree, void* item) {
  Fl_Tree* t = TreeOf(tree);
  if (!t || !item) return;
  t->select_only(ItemOf(item), 0);
  t->set_item_focus(ItemOf(item));
  t->redraw();
}

void glue_tree_open(Fl_Widget* tree, void* item, int flag) {
  Fl_Tree* t = TreeOf(tree);
  if (!t || !item) return;
  if (flag) {
    t->open(ItemOf(item), 0);
  } else {
    t->close(ItemOf(item), 0);
  }
}

int glue_tree_is_open(void* item) { return item && ItemOf(item)->is_open() ? 1 : 0; }

void* glue_tree_selected_data(Fl_Widget* tree) {
  Fl_Tree* t = TreeOf(tree);
  Fl_Tree_Item* item = t ? t->first_selected_item() : nullptr;
  return item ? item->user_data() : nullptr;
}

void* glue_tree_callback_data(Fl_Widget* tree, int* reason) {
  *reason = 0;
  Fl_Tree* t = TreeOf(tree);
  Fl_Tree_Item* item = t ? t->callback_item() : nullptr;
  if (!item) return nullptr;
  switch (t->callback_reason()) {
    case FL_TREE_REASON_SELECTED:
      *reason = 1;
      break;
    case FL_TREE_REASON_OPENED:
      *reason = 2;
      break;
    case FL_TREE_REASON_CLOSED:
      *reason = 3;
      break;
    default:
      break;
  }
  return item->user_data();
}

int glue_tree_item_row(void* item, int* x, int* y, int* h) {
  *x = *y = *h = 0;
  if (!item) return 0;
  Fl_Tree_Item* i = ItemOf(item);
  *x = i->label_x();
  *y = i->y();
  *h = i->h();
  return i->visible_r() ? 1 : 0;
}

}  // namespace lexidor
