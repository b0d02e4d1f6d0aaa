// TFLWidget: tree views (Fl_Tree) and their nodes.  A node is a TFLWidget
// without an FLTK widget of its own (FLTYPE_NODE): its kids are its child
// nodes and `nodehandle` is its Fl_Tree item, whose user data points back
// at the node.  The root node stands for Fl_Tree's hidden root item.
#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {

namespace {

FLWidgetRef NewNode(TFLWidget* tree, void* item, const String& text, int icon) {
  auto node = std::make_shared<TFLWidget>();
  node->fltype = FLTYPE_NODE;
  node->gadclass = KIND_TREENODE;
  node->name = text;
  node->icon = icon;
  node->enabled = 1;
  node->nodehandle = item;
  node->nodeowner = tree->Self();
  return node;
}

}  // namespace

TFLWidget* TFLWidget::NodeTree() {
  if (fltype != FLTYPE_NODE || !nodehandle) return nullptr;
  GadgetRef owner = nodeowner.lock();
  auto* tree = dynamic_cast<TFLWidget*>(owner.get());
  return tree && tree->flhandle ? tree : nullptr;
}

GadgetRef TFLWidget::RootNode() {
  if (fltype != FLTYPE_TREE || !flhandle) return nullptr;
  if (!root) {
    root = NewNode(this, glue_tree_root(flhandle), String(), -1);
    root->_setparent(this, -1);
  }
  return root;
}

GadgetRef TFLWidget::SelectedNode() {
  if (fltype != FLTYPE_TREE || !flhandle) return nullptr;
  auto* node = static_cast<TFLWidget*>(glue_tree_selected_data(flhandle));
  return node ? node->Self() : nullptr;
}

GadgetRef TFLWidget::InsertNode(int index, const String& text, int icon_index) {
  if (fltype == FLTYPE_TREE) {
    GadgetRef top = RootNode();
    return top ? top->InsertNode(index, text, icon_index) : nullptr;
  }
  TFLWidget* tree = NodeTree();
  if (!tree) return nullptr;
  const int count = static_cast<int>(kids.size());
  if (index < 0 || index > count) index = count;
  FLWidgetRef node = NewNode(tree, nullptr, text, icon_index);
  node->nodehandle = glue_tree_insert(tree->flhandle, nodehandle, index, text, node.get());
  if (!node->nodehandle) return nullptr;
  glue_tree_set_icon(tree->flhandle, node->nodehandle, IconImage(tree->icons, icon_index));
  node->_setparent(this, index);
  return node;
}

void TFLWidget::ModifyNode(const String& text, int icon_index) {
  TFLWidget* tree = NodeTree();
  if (!tree) return;
  name = text;
  icon = icon_index;
  glue_tree_set_label(tree->flhandle, nodehandle, text);
  glue_tree_set_icon(tree->flhandle, nodehandle, IconImage(tree->icons, icon_index));
}

void TFLWidget::ShowNodeIcons(TFLWidget* tree) {
  for (const GadgetRef& kid : kids) {
    auto* node = dynamic_cast<TFLWidget*>(kid.get());
    if (!node || node->fltype != FLTYPE_NODE) continue;
    glue_tree_set_icon(tree->flhandle, node->nodehandle, IconImage(tree->icons, node->icon));
    node->ShowNodeIcons(tree);
  }
}

int TFLWidget::CountKids() {
  if (fltype == FLTYPE_TREE) return root ? root->CountKids() : 0;
  return fltype == FLTYPE_NODE ? static_cast<int>(kids.size()) : 0;
}

void TFLWidget::TreeviewCallback() {
  int reason = 0;
  auto* node = static_cast<TFLWidget*>(glue_tree_callback_data(flhandle, &reason));
  if (!node || reason == 0) return;
  GadgetRef target = node->Self();
  if (!target) return;
  static const int kEvents[] = {0, EVENT_GADGETSELECT, EVENT_GADGETOPEN, EVENT_GADGETCLOSE};
  RaiseGadgetEvent(kEvents[reason], Self(), 0, 0, 0, 0, target);
}

}  // namespace lexidor
