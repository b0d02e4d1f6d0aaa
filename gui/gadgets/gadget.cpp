// TGadget: the tree, geometry and layout, and the base versions of the
// driver operations.  The item list and data sources are in
// gadget_items.cpp.
#include "gui/gadgets/gadget.h"

#include <algorithm>
#include <cstdint>

#include "runtime/exceptions.h"

namespace lexidor {

namespace {

bool gadget_module_done = false;
GadgetRef plain_proxy_gadget;

// The parent's client size as the layout sees it: at least 1.
int AtLeastOne(int value) { return value < 1 ? 1 : value; }

// One axis of DoLayout: the new near and far edges from the two edge modes,
// the locked rectangle, the locked client size and the current one.
// Multiplications come before divisions; divisions truncate toward zero.
void LayoutAxis(int near_mode, int far_mode, int pos, int size, int lock_pos, int lock_size,
                int lock_client, int client, int* near_edge, int* far_edge) {
  const int64_t w = client;
  const int64_t cw = AtLeastOne(lock_client);
  int64_t l, r;
  if (near_mode == EDGE_ANCHORED) {
    l = lock_pos;
  } else if (near_mode == EDGE_PROPORTIONAL) {
    l = w * lock_pos / cw;
  } else {
    l = pos;
  }
  if (far_mode == EDGE_ANCHORED) {
    r = w - (cw - (int64_t{lock_pos} + lock_size));
  } else if (far_mode == EDGE_PROPORTIONAL) {
    r = w * (int64_t{lock_pos} + lock_size) / cw;
  } else {
    r = int64_t{pos} + size;
  }
  if (near_mode == EDGE_FLOATING && far_mode != EDGE_FLOATING) l = r - lock_size;
  if (far_mode == EDGE_FLOATING && near_mode != EDGE_FLOATING) r = l + lock_size;
  if (near_mode == EDGE_FLOATING && far_mode == EDGE_FLOATING) {
    // The centre keeps its place as a fraction of the parent; the size stays.
    l = w * (lock_pos + lock_size / 2) / cw - lock_size / 2;
    r = l + lock_size;
  }
  *near_edge = static_cast<int>(l);
  *far_edge = static_cast<int>(r);
}

}  // namespace

void TGadgetItem::Set(const String& new_text, const String& new_tip, int new_icon,
                      ObjectRef new_extra, int new_flags) {
  text = new_text;
  tip = new_tip;
  icon = new_icon;
  extra = std::move(new_extra);
  flags = new_flags;
}

TGadget::~TGadget() {
  for (const GadgetRef& kid : kids) {
    if (kid && kid->parent == this) kid->parent = nullptr;
  }
}

GadgetRef TGadget::Self() { return weak_from_this().lock(); }

void TGadget::SetFilter(GadgetFilter filter, ObjectRef filter_context) {
  eventfilter = filter;
  context = std::move(filter_context);
}

int TGadget::HasDescendant(const TGadget* gadget) {
  if (gadget == this) return 1;
  for (const GadgetRef& kid : kids) {
    if (!kid) continue;
    int found = kid->HasDescendant(gadget);
    if (found) return found;
  }
  return 0;
}

void TGadget::_setparent(TGadget* group, int index) {
  GadgetRef self = Self();
  if (!self) {
    throw TRuntimeException(u"A gadget must be held by a shared reference to join a group");
  }
  // Joining a group inside itself would make the tree a loop that owns
  // itself and never ends a walk.
  if (group && TGadget::HasDescendant(group)) {
    throw TRuntimeException(u"A gadget cannot join a group that lies inside itself");
  }
  if (parent) {
    auto& siblings = parent->kids;
    auto it = std::find(siblings.begin(), siblings.end(), self);
    if (it != siblings.end()) siblings.erase(it);
  }
  parent = group;
  if (!group) return;
  auto& kids_of_group = group->kids;
  if (index < 0 || index >= static_cast<int>(kids_of_group.size())) {
    kids_of_group.push_back(self);
  } else {
    kids_of_group.insert(kids_of_group.begin() + index, self);
  }
}

GadgetRef TGadget::Handle() { return Self(); }

void TGadget::SetShape(int x, int y, int w, int h) {
  SetArea(x, y, w, h);
  LockLayout();
}

void TGadget::SetArea(int x, int y, int w, int h) {
  SetRect(x, y, w, h);
  Rethink();
  LayoutKids();
}

void TGadget::SetRect(int x, int y, int w, int h) {
  xpos = x;
  ypos = y;
  width = std::max(w, 0);
  height = std::max(h, 0);
}

void TGadget::LockLayout() {
  lockx = xpos;
  locky = ypos;
  lockw = width;
  lockh = height;
  if (parent) {
    lockcw = AtLeastOne(parent->ClientWidth());
    lockch = AtLeastOne(parent->ClientHeight());
  } else {
    lockcw = 1;
    lockch = 1;
  }
}

void TGadget::SetLayout(int left, int right, int top, int bottom) {
  lockl = left;
  lockr = right;
  lockt = top;
  lockb = bottom;
  LockLayout();
}

void TGadget::LayoutKids() {
  // A kid's layout may change the tree (a driver reparenting on resize), so
  // walk over a copy.
  std::vector<GadgetRef> snapshot = kids;
  for (const GadgetRef& kid : snapshot) {
    if (kid) kid->DoLayout();
  }
}

void TGadget::DoLayout() {
  if (!parent) return;
  const int kind = Class();
  if (kind == KIND_WINDOW || kind == KIND_MENUITEM || kind == KIND_TREENODE) return;
  const int client_w = AtLeastOne(parent->ClientWidth());
  const int client_h = AtLeastOne(parent->ClientHeight());
  int l, r, t, b;
  LayoutAxis(lockl, lockr, xpos, width, lockx, lockw, lockcw, client_w, &l, &r);
  LayoutAxis(lockt, lockb, ypos, height, locky, lockh, lockch, client_h, &t, &b);
  SetArea(l, t, r - l, b - t);
}

int TGadget::Insert(const GadgetRef&, int) { return 0; }
int TGadget::Query(int) { return 0; }

void TGadget::CleanUp() {
  extra = nullptr;
  eventfilter = nullptr;
  context = nullptr;
  Free();
}

void TGadget::SetSensitivity(int flags) { sensitivity = flags; }
int TGadget::GetSensitivity() { return sensitivity; }

// The driver operations: the base gadget has no screen presence.
void TGadget::Free() {}
void TGadget::Rethink() {}
int TGadget::ClientWidth() { return 0; }
int TGadget::ClientHeight() { return 0; }
void TGadget::Activate(int) {}
int TGadget::State() { return 0; }
void TGadget::SetText(const String&) {}
String TGadget::GetText() { return String(); }
void TGadget::SetFont(const FontRef&) {}
void TGadget::SetColor(int, int, int) {}
void TGadget::SetAlpha(float) {}
void TGadget::SetTextColor(int, int, int) {}
void TGadget::SetTooltip(const String&) {}
String TGadget::GetTooltip() { return String(); }
void TGadget::SetPixmap(const ObjectRef&, int) {}
void TGadget::SetIconStrip(const IconStripRef&) {}
void TGadget::SetShow(int) {}
void TGadget::SetEnabled(int) {}
void TGadget::SetSelected(int) {}
void TGadget::SetHotKey(int, int) {}
int TGadget::Class() { return 0; }
void TGadget::SetStatus(const String&) {}
GadgetRef TGadget::GetMenu() { return nullptr; }
void TGadget::PopupMenu(const GadgetRef&, const ObjectRef&) {}
void TGadget::UpdateMenu() {}
void TGadget::SetMinimumSize(int, int) {}
void TGadget::SetMaximumSize(int, int) {}
void TGadget::ClearListItems() {}
void TGadget::InsertListItem(int, const String&, const String&, int, const ObjectRef&) {}
void TGadget::SetListItem(int, const String&, const String&, int, const ObjectRef&) {}
void TGadget::RemoveListItem(int) {}
void TGadget::SetListItemState(int, int) {}
int TGadget::ListItemState(int) { return 0; }
GadgetRef TGadget::RootNode() { return nullptr; }
GadgetRef TGadget::SelectedNode() { return nullptr; }
GadgetRef TGadget::InsertNode(int, const String&, int) { return nullptr; }
void TGadget::ModifyNode(const String&, int) {}
int TGadget::CountKids() { return 0; }
void TGadget::ReplaceText(int, int, const String&, int) {}
void TGadget::AddText(const String&) {}
String TGadget::AreaText(int, int, int) { return String(); }
int TGadget::AreaLen(int) { return 0; }
void TGadget::LockText() {}
void TGadget::UnlockText() {}
void TGadget::SetTabs(int) {}
int TGadget::GetCursorPos(int) { return 0; }
int TGadget::GetSelectionLength(int) { return 0; }
void TGadget::SetStyle(int, int, int, int, int, int, int) {}
void TGadget::SetSelection(int, int, int) {}
int TGadget::CharX(int) { return 0; }
int TGadget::CharY(int) { return 0; }
int TGadget::CharAt(int) { return 0; }
int TGadget::LineAt(int) { return 0; }
void TGadget::SetValue(float) {}
void TGadget::SetRange(int, int) {}
void TGadget::SetProp(int) {}
int TGadget::GetProp() { return 0; }
ObjectRef TGadget::AttachGraphics(int) { return nullptr; }
ObjectRef TGadget::CanvasGraphics() { return nullptr; }
String TGadget::Run(const String&) { return String(); }

void InitGadgetModule() {
  if (gadget_module_done) return;
  gadget_module_done = true;
  plain_proxy_gadget = std::make_shared<TGadget>();
}

const GadgetRef& PlainProxyGadget() {
  InitGadgetModule();
  return plain_proxy_gadget;
}

}  // namespace lexidor
