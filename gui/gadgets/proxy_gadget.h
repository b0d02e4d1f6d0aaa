// The proxy gadget: a gadget that stands in for another, so that user code
// can wrap a driver's gadget in its own type and still receive its events.
#pragma once

#include "gui/gadgets/gadget.h"

namespace lexidor {

// A gadget that stands in for another: most operations go to the wrapped
// gadget (`proxy`), and the wrapped gadget's events name the proxy as their
// source.  The geometry, layout, filter and data-source methods stay the
// base ones, working on the proxy's own fields.
class TProxyGadget : public TGadget {
 public:
  // A new proxy wraps the module's one plain gadget (InitGadgetModule is
  // run if it has not been).
  TProxyGadget();

  // Never null.
  GadgetRef proxy;

  // Wraps `gadget` and makes it report this proxy as its source; the gadget
  // wrapped before stops naming this proxy.  nullptr wraps the plain gadget
  // again.  The proxy must be held by a GadgetRef for the source link.
  void SetProxy(const GadgetRef& gadget);

  int HasDescendant(const TGadget* gadget) override;
  int Query(int which) override;
  void CleanUp() override;
  void Free() override;
  void SetShape(int x, int y, int w, int h) override;
  void Rethink() override;
  int ClientWidth() override;
  int ClientHeight() override;
  void Activate(int command) override;
  int State() override;
  void SetText(const String& text) override;
  String GetText() override;
  void SetTooltip(const String& tip) override;
  String GetTooltip() override;
  void SetFont(const FontRef& font) override;
  void SetColor(int red, int green, int blue) override;
  void SetAlpha(float alpha) override;
  void SetTextColor(int red, int green, int blue) override;
  void SetShow(int flag) override;
  void SetSelected(int flag) override;
  void SetEnabled(int flag) override;
  void SetSensitivity(int flags) override;
  int GetSensitivity() override;
  void SetHotKey(int key, int modifiers) override;
  void SetIconStrip(const IconStripRef& strip) override;
  void SetLayout(int left, int right, int top, int bottom) override;
  int Class() override;
  void SetStatus(const String& text) override;
  GadgetRef GetMenu() override;
  void PopupMenu(const GadgetRef& menu, const ObjectRef& menu_extra) override;
  void UpdateMenu() override;
  void SetMinimumSize(int w, int h) override;
  void SetMaximumSize(int w, int h) override;
  void ClearListItems() override;
  void InsertListItem(int index, const String& text, const String& tip, int icon,
                      const ObjectRef& item_extra) override;
  void SetListItem(int index, const String& text, const String& tip, int icon,
                   const ObjectRef& item_extra) override;
  void RemoveListItem(int index) override;
  void SetListItemState(int index, int state) override;
  int ListItemState(int index) override;
  GadgetRef RootNode() override;
  GadgetRef SelectedNode() override;
  GadgetRef InsertNode(int index, const String& text, int icon) override;
  void ModifyNode(const String& text, int icon) override;
  int CountKids() override;
  void ReplaceText(int position, int length, const String& text, int units) override;
  void AddText(const String& text) override;
  String AreaText(int position, int length, int units) override;
  int AreaLen(int units) override;
  void LockText() override;
  void UnlockText() override;
  void SetTabs(int tabs) override;
  int GetCursorPos(int units) override;
  int GetSelectionLength(int units) override;
  void SetStyle(int red, int green, int blue, int flags, int position, int length,
                int units) override;
  void SetSelection(int position, int length, int units) override;
  int CharX(int position) override;
  int CharY(int position) override;
  int CharAt(int line) override;
  int LineAt(int position) override;
  void SetValue(float value) override;
  void SetRange(int visible_amount, int total_range) override;
  void SetProp(int value) override;
  int GetProp() override;
  void SetPixmap(const ObjectRef& pixmap, int flags) override;
  ObjectRef AttachGraphics(int flags) override;
  ObjectRef CanvasGraphics() override;
  String Run(const String& script) override;
  void Clear() override;
  void InsertItem(int index, const String& text, const String& tip, int icon, ObjectRef item_extra,
                  int flags) override;
  void SetItem(int index, const String& text, const String& tip, int icon, ObjectRef item_extra,
               int flags) override;
  void RemoveItem(int index) override;
  int ItemCount() override;
  String ItemText(int index) override;
  String ItemTip(int index) override;
  int ItemFlags(int index) override;
  int ItemIcon(int index) override;
  ObjectRef ItemExtra(int index) override;
  void SetItemState(int index, int state) override;
  int ItemState(int index) override;
  void SelectItem(int index, int operation) override;
  int SelectedItem() override;
  std::vector<int> SelectedItems() override;
};

}  // namespace lexidor
