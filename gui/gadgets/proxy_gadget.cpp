// TProxyGadget: everything but geometry, layout, filter and data sources is
// handed to the wrapped gadget unchanged.
#include "gui/gadgets/proxy_gadget.h"

namespace lexidor {

TProxyGadget::TProxyGadget() : proxy(PlainProxyGadget()) {}

void TProxyGadget::SetProxy(const GadgetRef& gadget) {
  const GadgetRef& plain = PlainProxyGadget();
  GadgetRef target = gadget ? gadget : plain;
  if (proxy && proxy != target && proxy->source.lock().get() == this) proxy->source.reset();
  proxy = target;
  // The plain gadget is shared by every new proxy and names none of them.
  if (target != plain) target->source = weak_from_this();
}

int TProxyGadget::HasDescendant(const TGadget* gadget) { return proxy->HasDescendant(gadget); }
int TProxyGadget::Query(int which) { return proxy->Query(which); }
void TProxyGadget::CleanUp() { proxy->CleanUp(); }
void TProxyGadget::Free() { proxy->Free(); }
void TProxyGadget::SetShape(int x, int y, int w, int h) { proxy->SetShape(x, y, w, h); }
void TProxyGadget::Rethink() { proxy->Rethink(); }
int TProxyGadget::ClientWidth() { return proxy->ClientWidth(); }
int TProxyGadget::ClientHeight() { return proxy->ClientHeight(); }
void TProxyGadget::Activate(int command) { proxy->Activate(command); }
int TProxyGadget::State() { return proxy->State(); }
void TProxyGadget::SetText(const String& text) { proxy->SetText(text); }
String TProxyGadget::GetText() { return proxy->GetText(); }
void TProxyGadget::SetTooltip(const String& tip) { proxy->SetTooltip(tip); }
String TProxyGadget::GetTooltip() { return proxy->GetTooltip(); }
void TProxyGadget::SetFont(const FontRef& font) { proxy->SetFont(font); }
void TProxyGadget::SetColor(int red, int green, int blue) { proxy->SetColor(red, green, blue); }
void TProxyGadget::SetAlpha(float alpha) { proxy->SetAlpha(alpha); }
void TProxyGadget::SetTextColor(int red, int green, int blue) {
  proxy->SetTextColor(red, green, blue);
}
void TProxyGadget::SetShow(int flag) { proxy->SetShow(flag); }
void TProxyGadget::SetSelected(int flag) { proxy->SetSelected(flag); }
void TProxyGadget::SetEnabled(int flag) { proxy->SetEnabled(flag); }
void TProxyGadget::SetSensitivity(int flags) { proxy->SetSensitivity(flags); }
int TProxyGadget::GetSensitivity() { return proxy->GetSensitivity(); }
void TProxyGadget::SetHotKey(int key, int modifiers) { proxy->SetHotKey(key, modifiers); }
void TProxyGadget::SetIconStrip(const IconStripRef& strip) { proxy->SetIconStrip(strip); }
void TProxyGadget::SetLayout(int left, int right, int top, int bottom) {
  proxy->SetLayout(left, right, top, bottom);
}
int TProxyGadget::Class() { return proxy->Class(); }
void TProxyGadget::SetStatus(const String& text) { proxy->SetStatus(text); }
GadgetRef TProxyGadget::GetMenu() { return proxy->GetMenu(); }
void TProxyGadget::PopupMenu(const GadgetRef& menu, const ObjectRef& menu_extra) {
  proxy->PopupMenu(menu, menu_extra);
}
void TProxyGadget::UpdateMenu() { proxy->UpdateMenu(); }
void TProxyGadget::SetMinimumSize(int w, int h) { proxy->SetMinimumSize(w, h); }
void TProxyGadget::SetMaximumSize(int w, int h) { proxy->SetMaximumSize(w, h); }
void TProxyGadget::ClearListItems() { proxy->ClearListItems(); }
void TProxyGadget::InsertListItem(int index, const String& text, const String& tip, int icon,
                                  const ObjectRef& item_extra) {
  proxy->InsertListItem(index, text, tip, icon, item_extra);
}
void TProxyGadget::SetListItem(int index, const String& text, const String& tip, int icon,
                               const ObjectRef& item_extra) {
  proxy->SetListItem(index, text, tip, icon, item_extra);
}
void TProxyGadget::RemoveListItem(int index) { proxy->RemoveListItem(index); }
void TProxyGadget::SetListItemState(int index, int state) { proxy->SetListItemState(index, state); }
int TProxyGadget::ListItemState(int index) { return proxy->ListItemState(index); }
GadgetRef TProxyGadget::RootNode() { return proxy->RootNode(); }
GadgetRef TProxyGadget::SelectedNode() { return proxy->SelectedNode(); }
GadgetRef TProxyGadget::InsertNode(int index, const String& text, int icon) {
  return proxy->InsertNode(index, text, icon);
}
void TProxyGadget::ModifyNode(const String& text, int icon) { proxy->ModifyNode(text, icon); }
int TProxyGadget::CountKids() { return proxy->CountKids(); }
void TProxyGadget::ReplaceText(int position, int length, const String& text, int units) {
  proxy->ReplaceText(position, length, text, units);
}
void TProxyGadget::AddText(const String& text) { proxy->AddText(text); }
String TProxyGadget::AreaText(int position, int length, int units) {
  return proxy->AreaText(position, length, units);
}
int TProxyGadget::AreaLen(int units) { return proxy->AreaLen(units); }
void TProxyGadget::LockText() { proxy->LockText(); }
void TProxyGadget::UnlockText() { proxy->UnlockText(); }
void TProxyGadget::SetTabs(int tabs) { proxy->SetTabs(tabs); }
int TProxyGadget::GetCursorPos(int units) { return proxy->GetCursorPos(units); }
int TProxyGadget::GetSelectionLength(int units) { return proxy->GetSelectionLength(units); }
void TProxyGadget::SetStyle(int red, int green, int blue, int flags, int position, int length,
                            int units) {
  proxy->SetStyle(red, green, blue, flags, position, length, units);
}
void TProxyGadget::SetSelection(int position, int length, int units) {
  proxy->SetSelection(position, length, units);
}
int TProxyGadget::CharX(int position) { return proxy->CharX(position); }
int TProxyGadget::CharY(int position) { return proxy->CharY(position); }
int TProxyGadget::CharAt(int line) { return proxy->CharAt(line); }
int TProxyGadget::LineAt(int position) { return proxy->LineAt(position); }
void TProxyGadget::SetValue(float value) { proxy->SetValue(value); }
void TProxyGadget::SetRange(int visible_amount, int total_range) {
  proxy->SetRange(visible_amount, total_range);
}
void TProxyGadget::SetProp(int value) { proxy->SetProp(value); }
int TProxyGadget::GetProp() { return proxy->GetProp(); }
void TProxyGadget::SetPixmap(const ObjectRef& pixmap, int flags) {
  proxy->SetPixmap(pixmap, flags);
}
ObjectRef TProxyGadget::AttachGraphics(int flags) { return proxy->AttachGraphics(flags); }
ObjectRef TProxyGadget::CanvasGraphics() { return proxy->CanvasGraphics(); }
String TProxyGadget::Run(const String& script) { return proxy->Run(script); }
void TProxyGadget::Clear() { proxy->Clear(); }
void TProxyGadget::InsertItem(int index, const String& text, const String& tip, int icon,
                              ObjectRef item_extra, int flags) {
  proxy->InsertItem(index, text, tip, icon, item_extra, flags);
}
void TProxyGadget::SetItem(int index, const String& text, const String& tip, int icon,
                           ObjectRef item_extra, int flags) {
  proxy->SetItem(index, text, tip, icon, item_extra, flags);
}
void TProxyGadget::RemoveItem(int index) { proxy->RemoveItem(index); }
int TProxyGadget::ItemCount() { return proxy->ItemCount(); }
String TProxyGadget::ItemText(int index) { return proxy->ItemText(index); }
String TProxyGadget::ItemTip(int index) { return proxy->ItemTip(index); }
int TProxyGadget::ItemFlags(int index) { return proxy->ItemFlags(index); }
int TProxyGadget::ItemIcon(int index) { return proxy->ItemIcon(index); }
ObjectRef TProxyGadget::ItemExtra(int index) { return proxy->ItemExtra(index); }
void TProxyGadget::SetItemState(int index, int state) { proxy->SetItemState(index, state); }
int TProxyGadget::ItemState(int index) { return proxy->ItemState(index); }
void TProxyGadget::SelectItem(int index, int operation) { proxy->SelectItem(index, operation); }
int TProxyGadget::SelectedItem() { return proxy->SelectedItem(); }
std::vector<int> TProxyGadget::SelectedItems() { return proxy->SelectedItems(); }

}  // namespace lexidor
