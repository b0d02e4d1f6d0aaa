// The global gadget functions: creation through the active driver, window
// centring, event raising and the thin forwarders.
#include "gui/gadgets/gadget_functions.h"

#include "runtime/exceptions.h"

namespace lexidor {

namespace {

// The last colour chosen through RequestColor, 0xRRGGBB.
int last_requested_color = 0;

TGadget& Need(const GadgetRef& gadget, const char16_t* function) {
  if (!gadget) throw TRuntimeException(String(function) + u": the gadget is null");
  return *gadget;
}

GadgetRef Create(int kind, const String& text, int x, int y, int w, int h, const GadgetRef& group,
                 int style) {
  const GuiDriverRef& driver = ActiveGuiDriver();
  if (!driver) return nullptr;
  return driver->CreateGadget(kind, text, x, y, w, h, group, style);
}

int Flag(int value) { return value ? 1 : 0; }

}  // namespace

// --- Creation ---------------------------------------------------------------

GadgetRef NewWindow(const String& title, int x, int y, int w, int h, const GadgetRef& group,
                    int style) {
  if (style & WINDOW_CENTER) {
    if (group) {
      x = group->xpos + (group->width - w) / 2;
      y = group->ypos + (group->height - h) / 2;
    } else if (GadgetRef desktop = DesktopGadget()) {
      // Without a desktop (no driver can tell its size) the position given
      // stands.
      x = (desktop->width - w) / 2;
      y = (desktop->height - h) / 2;
    }
  }
  return Create(KIND_WINDOW, title, x, y, w, h, group, style);
}

GadgetRef NewLabel(const String& text, int x, int y, int w, int h, const GadgetRef& group,
                   int style) {
  return Create(KIND_LABEL, text, x, y, w, h, group, style);
}

GadgetRef NewButton(const String& text, int x, int y, int w, int h, const GadgetRef& group,
                    int style) {
  return Create(KIND_BUTTON, text, x, y, w, h, group, style);
}

GadgetRef NewPanel(int x, int y, int w, int h, const GadgetRef& group, int style,
                   const String& title) {
  return Create(KIND_PANEL, title, x, y, w, h, group, style);
}

GadgetRef NewTextField(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_TEXTFIELD, String(), x, y, w, h, group, style);
}

GadgetRef NewTextArea(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_TEXTAREA, String(), x, y, w, h, group, style);
}

GadgetRef NewComboBox(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_COMBOBOX, String(), x, y, w, h, group, style);
}

GadgetRef NewListBox(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_LISTBOX, String(), x, y, w, h, group, style);
}

GadgetRef NewTabber(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_TABBER, String(), x, y, w, h, group, style);
}

GadgetRef NewTreeView(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_TREEVIEW, String(), x, y, w, h, group, style);
}

GadgetRef NewHtmlView(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_HTMLVIEW, String(), x, y, w, h, group, style);
}

GadgetRef NewSlider(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_SLIDER, String(), x, y, w, h, group, style);
}

GadgetRef NewProgressBar(int x, int y, int w, int h, const GadgetRef& group, int style) {
  return Create(KIND_PROGRESSBAR, String(), x, y, w, h, group, style);
}

GadgetRef NewToolbar(const ObjectRef& icon_source, int x, int y, int w, int h,
                     const GadgetRef& group, int style) {
  GadgetRef toolbar = Create(KIND_TOOLBAR, String(), x, y, w, h, group, style);
  if (!toolbar) return nullptr;
  IconStripRef strip = ActiveGuiDriver()->LoadIconStrip(icon_source);
  if (strip) {
    toolbar->SetIconStrip(strip);
    for (int i = 0; i < strip->count; ++i) {
      toolbar->InsertItem(toolbar->ItemCount(), String(), String(), i, nullptr, 0);
    }
  }
  return toolbar;
}

GadgetRef NewCanvas(int x, int y, int w, int h, const GadgetRef& group, int style) {
  GadgetRef canvas = Create(KIND_CANVAS, String(), x, y, w, h, group, style);
  if (canvas) canvas->AttachGraphics(DEFAULT_GRAPHICS_FLAGS);
  return canvas;
}

GadgetRef NewMenuItem(const String& text, int tag, const GadgetRef& parent, int hot_key,
                      int modifiers) {
  GadgetRef item = Create(KIND_MENUITEM, text, 0, 0, 0, 0, parent, tag);
  if (item && hot_key) item->SetHotKey(hot_key, modifiers);
  return item;
}

GadgetRef DesktopGadget() { return Create(KIND_DESKTOP, String(), 0, 0, 0, 0, nullptr, 0); }

GadgetRef ActiveGadget() {
  const GuiDriverRef& driver = ActiveGuiDriver();
  return driver ? driver->ActiveGadget() : nullptr;
}

void ReleaseGadget(const GadgetRef& gadget) { Need(gadget, u"ReleaseGadget").CleanUp(); }

// --- Events -----------------------------------------------------------------

void RaiseGadgetEvent(int id, const GadgetRef& gadget, int data, int mods, int x, int y,
                      ObjectRef extra) {
  ObjectRef source = gadget;
  if (gadget) {
    if (GadgetRef stand_in = gadget->source.lock()) source = stand_in;
  }
  DispatchEvent(MakeEvent(id, source, data, mods, x, y, std::move(extra)));
}

void SetGadgetFilter(const GadgetRef& gadget, GadgetFilter filter, ObjectRef context) {
  Need(gadget, u"SetGadgetFilter").SetFilter(filter, std::move(context));
}

// --- Text, colours and fonts ------------------------------------------------

void ChangeGadgetText(const GadgetRef& gadget, const String& text) {
  Need(gadget, u"ChangeGadgetText").SetText(text);
}
String GadgetText(const GadgetRef& gadget) { return Need(gadget, u"GadgetText").GetText(); }

void TintGadget(const GadgetRef& gadget, int red, int green, int blue, int background) {
  TGadget& g = Need(gadget, u"TintGadget");
  if (background) {
    g.SetColor(red, green, blue);
  } else {
    g.SetTextColor(red, green, blue);
  }
}

void SetGadgetAlpha(const GadgetRef& gadget, float alpha) {
  Need(gadget, u"SetGadgetAlpha").SetAlpha(alpha);
}
void SetGadgetFont(const GadgetRef& gadget, const FontRef& font) {
  Need(gadget, u"SetGadgetFont").SetFont(font);
}
void SetGadgetToolTip(const GadgetRef& gadget, const String& tip) {
  Need(gadget, u"SetGadgetToolTip").SetTooltip(tip);
}
String GadgetToolTip(const GadgetRef& gadget) {
  return Need(gadget, u"GadgetToolTip").GetTooltip();
}
void SetGadgetPixmap(const GadgetRef& gadget, const ObjectRef& pixmap, int flags) {
  Need(gadget, u"SetGadgetPixmap").SetPixmap(pixmap, flags);
}
void SetGadgetIconStrip(const GadgetRef& gadget, const IconStripRef& strip) {
  Need(gadget, u"SetGadgetIconStrip").SetIconStrip(strip);
}
void SetGadgetSensitivity(const GadgetRef& gadget, int flags) {
  Need(gadget, u"SetGadgetSensitivity").SetSensitivity(flags);
}
int GadgetSensitivity(const GadgetRef& gadget) {
  return Need(gadget, u"GadgetSensitivity").GetSensitivity();
}
void SetGadgetHotKey(const GadgetRef& gadget, int key, int modifiers) {
  Need(gadget, u"SetGadgetHotKey").SetHotKey(key, modifiers);
}

// --- Buttons, enabling, visibility, commands ----------------------------------

int ButtonCheckState(const GadgetRef& button) {
  const int state = Need(button, u"ButtonCheckState").State();
  if (state & STATE_INDETERMINATE) return -1;
  return (state & STATE_SELECTED) ? 1 : 0;
}

void ChangeButtonCheck(const GadgetRef& button, int state) {
  Need(button, u"ChangeButtonCheck").SetSelected(state);
}

void EnableGadgetInput(const GadgetRef& gadget) {
  Need(gadget, u"EnableGadgetInput").SetEnabled(1);
}
void DisableGadgetInput(const GadgetRef& gadget) {
  Need(gadget, u"DisableGadgetInput").SetEnabled(0);
}
int GadgetDisabled(const GadgetRef& gadget) {
  return Flag(Need(gadget, u"GadgetDisabled").State() & STATE_DISABLED);
}
void ShowGadget(const GadgetRef& gadget) { Need(gadget, u"ShowGadget").SetShow(1); }
void HideGadget(const GadgetRef& gadget) { Need(gadget, u"HideGadget").SetShow(0); }
int GadgetHidden(const GadgetRef& gadget) {
  return Flag(Need(gadget, u"GadgetHidden").State() & STATE_HIDDEN);
}
void ActivateGadget(const GadgetRef& gadget) {
  Need(gadget, u"ActivateGadget").Activate(ACTIVATE_FOCUS);
}
void RedrawGadget(const GadgetRef& gadget) {
  Need(gadget, u"RedrawGadget").Activate(ACTIVATE_REDRAW);
}
void GadgetCut(const GadgetRef& gadget) { Need(gadget, u"GadgetCut").Activate(ACTIVATE_CUT); }
void GadgetCopy(const GadgetRef& gadget) { Need(gadget, u"GadgetCopy").Activate(ACTIVATE_COPY); }
void GadgetPaste(const GadgetRef& gadget) { Need(gadget, u"GadgetPaste").Activate(ACTIVATE_PASTE); }
void GadgetPrint(const GadgetRef& gadget) { Need(gadget, u"GadgetPrint").Activate(ACTIVATE_PRINT); }
void MinimizeWindow(const GadgetRef& window) {
  Need(window, u"MinimizeWindow").Activate(ACTIVATE_MINIMIZE);
}
void MaximizeWindow(const GadgetRef& window) {
  Need(window, u"MaximizeWindow").Activate(ACTIVATE_MAXIMIZE);
}
void RestoreWindow(const GadgetRef& window) {
  Need(window, u"RestoreWindow").Activate(ACTIVATE_RESTORE);
}
int WindowMinimized(const GadgetRef& window) {
  return Flag(Need(window, u"WindowMinimized").State() & STATE_MINIMIZED);
}
int WindowMaximized(const GadgetRef& window) {
  return Flag(Need(window, u"WindowMaximized").State() & STATE_MAXIMIZED);
}
int QueryGadget(const GadgetRef& gadget, int which) {
  return Need(gadget, u"QueryGadget").Query(which);
}
int InsertGadget(const GadgetRef& gadget, const GadgetRef& kid, int index) {
  return Need(gadget, u"InsertGadget").Insert(kid, index);
}

// --- Geometry, layout, tree, extra data -------------------------------------

void SetGadgetShape(const GadgetRef& gadget, int x, int y, int w, int h) {
  Need(gadget, u"SetGadgetShape").SetShape(x, y, w, h);
}
void SetGadgetLayout(const GadgetRef& gadget, int left, int right, int top, int bottom) {
  Need(gadget, u"SetGadgetLayout").SetLayout(left, right, top, bottom);
}
int GadgetX(const GadgetRef& gadget) { return Need(gadget, u"GadgetX").xpos; }
int GadgetY(const GadgetRef& gadget) { return Need(gadget, u"GadgetY").ypos; }
int GadgetWidth(const GadgetRef& gadget) { return Need(gadget, u"GadgetWidth").width; }
int GadgetHeight(const GadgetRef& gadget) { return Need(gadget, u"GadgetHeight").height; }
int GadgetClientWidth(const GadgetRef& gadget) {
  return Need(gadget, u"GadgetClientWidth").ClientWidth();
}
int GadgetClientHeight(const GadgetRef& gadget) {
  return Need(gadget, u"GadgetClientHeight").ClientHeight();
}
GadgetRef GadgetGroup(const GadgetRef& gadget) {
  TGadget* parent = Need(gadget, u"GadgetGroup").parent;
  return parent ? parent->Self() : nullptr;
}
int GadgetClass(const GadgetRef& gadget) { return Need(gadget, u"GadgetClass").Class(); }
void SetMinWindowSize(const GadgetRef& window, int w, int h) {
  Need(window, u"SetMinWindowSize").SetMinimumSize(w, h);
}
void SetMaxWindowSize(const GadgetRef& window, int w, int h) {
  Need(window, u"SetMaxWindowSize").SetMaximumSize(w, h);
}
void SetStatusText(const GadgetRef& window, const String& text) {
  Need(window, u"SetStatusText").SetStatus(text);
}
GadgetRef WindowMenu(const GadgetRef& window) { return Need(window, u"WindowMenu").GetMenu(); }
void UpdateWindowMenu(const GadgetRef& window) { Need(window, u"UpdateWindowMenu").UpdateMenu(); }
void PopupWindowMenu(const GadgetRef& window, const GadgetRef& menu, const ObjectRef& extra) {
  Need(window, u"PopupWindowMenu").PopupMenu(menu, extra);
}
ObjectRef GadgetExtra(const GadgetRef& gadget) { return Need(gadget, u"GadgetExtra").extra; }
void SetGadgetExtra(const GadgetRef& gadget, ObjectRef extra) {
  Need(gadget, u"SetGadgetExtra").extra = std::move(extra);
}

// --- Items --------------------------------------------------------------------

void AddGadgetItem(const GadgetRef& gadget, const String& text, const String& tip, int icon,
                   ObjectRef extra, int flags) {
  TGadget& g = Need(gadget, u"AddGadgetItem");
  g.InsertItem(g.ItemCount(), text, tip, icon, std::move(extra), flags);
}
void InsertGadgetItem(const GadgetRef& gadget, int index, const String& text, const String& tip,
                      int icon, ObjectRef extra, int flags) {
  Need(gadget, u"InsertGadgetItem").InsertItem(index, text, tip, icon, std::move(extra), flags);
}
void ModifyGadgetItem(const GadgetRef& gadget, int index, const String& text, const String& tip,
                      int icon, ObjectRef extra, int flags) {
  Need(gadget, u"ModifyGadgetItem").SetItem(index, text, tip, icon, std::move(extra), flags);
}
void RemoveGadgetItem(const GadgetRef& gadget, int index) {
  Need(gadget, u"RemoveGadgetItem").RemoveItem(index);
}
void ClearGadgetItems(const GadgetRef& gadget) { Need(gadget, u"ClearGadgetItems").Clear(); }
int CountGadgetItems(const GadgetRef& gadget) {
  return Need(gadget, u"CountGadgetItems").ItemCount();
}
String GadgetItemText(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemText").ItemText(index);
}
String GadgetItemTooltip(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemTooltip").ItemTip(index);
}
int GadgetItemIcon(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemIcon").ItemIcon(index);
}
int GadgetItemFlags(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemFlags").ItemFlags(index);
}
ObjectRef GadgetItemExtra(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemExtra").ItemExtra(index);
}
int GadgetItemState(const GadgetRef& gadget, int index) {
  return Need(gadget, u"GadgetItemState").ItemState(index);
}
void SetGadgetItemState(const GadgetRef& gadget, int index, int state) {
  Need(gadget, u"SetGadgetItemState").SetItemState(index, state);
}
void SelectGadgetItem(const GadgetRef& gadget, int index) {
  Need(gadget, u"SelectGadgetItem").SelectItem(index, ITEM_SELECT);
}
void DeselectGadgetItem(const GadgetRef& gadget, int index) {
  Need(gadget, u"DeselectGadgetItem").SelectItem(index, ITEM_DESELECT);
}
void ToggleGadgetItem(const GadgetRef& gadget, int index) {
  Need(gadget, u"ToggleGadgetItem").SelectItem(index, ITEM_TOGGLE);
}
void DisableGadgetItem(const GadgetRef& gadget, int index) {
  TGadget& g = Need(gadget, u"DisableGadgetItem");
  g.SetItemState(index, g.ItemState(index) | ITEMSTATE_DISABLED);
}
void EnableGadgetItem(const GadgetRef& gadget, int index) {
  TGadget& g = Need(gadget, u"EnableGadgetItem");
  g.SetItemState(index, g.ItemState(index) & ~ITEMSTATE_DISABLED);
}
int SelectedGadgetItem(const GadgetRef& gadget) {
  return Need(gadget, u"SelectedGadgetItem").SelectedItem();
}
std::vector<int> SelectedGadgetItems(const GadgetRef& gadget) {
  return Need(gadget, u"SelectedGadgetItems").SelectedItems();
}
int GadgetSelectionChanged(const GadgetRef& gadget) {
  return Need(gadget, u"GadgetSelectionChanged").SelectionChanged();
}
void SetGadgetDataSource(const GadgetRef& gadget, ObjectRef source) {
  Need(gadget, u"SetGadgetDataSource").SetDataSource(std::move(source));
}
int SyncGadgetDataSource(const GadgetRef& gadget) {
  return Need(gadget, u"SyncGadgetDataSource").SyncDataSource();
}

// --- Tree views -----------------------------------------------------------------

GadgetRef TreeViewRoot(const GadgetRef& treeview) {
  return Need(treeview, u"TreeViewRoot").RootNode();
}
GadgetRef SelectedTreeViewNode(const GadgetRef& treeview) {
  return Need(treeview, u"SelectedTreeViewNode").SelectedNode();
}
GadgetRef InsertTreeViewNode(const GadgetRef& node, int index, const String& text, int icon) {
  return Need(node, u"InsertTreeViewNode").InsertNode(index, text, icon);
}
GadgetRef AddTreeViewNode(const GadgetRef& node, const String& text, int icon) {
  return Need(node, u"AddTreeViewNode").InsertNode(-1, text, icon);
}
void ModifyTreeViewNode(const GadgetRef& node, const String& text, int icon) {
  Need(node, u"ModifyTreeViewNode").ModifyNode(text, icon);
}
int CountTreeViewNodes(const GadgetRef& node) {
  return Need(node, u"CountTreeViewNodes").CountKids();
}
void SelectTreeViewNode(const GadgetRef& node) {
  Need(node, u"SelectTreeViewNode").Activate(ACTIVATE_SELECT);
}
void ExpandTreeViewNode(const GadgetRef& node) {
  Need(node, u"ExpandTreeViewNode").Activate(ACTIVATE_EXPAND);
}
void CollapseTreeViewNode(const GadgetRef& node) {
  Need(node, u"CollapseTreeViewNode").Activate(ACTIVATE_COLLAPSE);
}

// --- Text areas -------------------------------------------------------------------

void SetTextAreaText(const GadgetRef& textarea, const String& text, int position, int length,
                     int units) {
  Need(textarea, u"SetTextAreaText").ReplaceText(position, length, text, units);
}
void AddTextAreaText(const GadgetRef& textarea, const String& text) {
  Need(textarea, u"AddTextAreaText").AddText(text);
}
String TextAreaText(const GadgetRef& textarea, int position, int length, int units) {
  return Need(textarea, u"TextAreaText").AreaText(position, length, units);
}
int TextAreaLen(const GadgetRef& textarea, int units) {
  return Need(textarea, u"TextAreaLen").AreaLen(units);
}
void LockTextArea(const GadgetRef& textarea) { Need(textarea, u"LockTextArea").LockText(); }
void UnlockTextArea(const GadgetRef& textarea) { Need(textarea, u"UnlockTextArea").UnlockText(); }
void SetTextAreaTabs(const GadgetRef& textarea, int tabs) {
  Need(textarea, u"SetTextAreaTabs").SetTabs(tabs);
}
int TextAreaCursor(const GadgetRef& textarea, int units) {
  return Need(textarea, u"TextAreaCursor").GetCursorPos(units);
}
int TextAreaSelLen(const GadgetRef& textarea, int units) {
  return Need(textarea, u"TextAreaSelLen").GetSelectionLength(units);
}
void FormatTextAreaText(const GadgetRef& textarea, int red, int green, int blue, int flags,
                        int position, int length, int units) {
  Need(textarea, u"FormatTextAreaText").SetStyle(red, green, blue, flags, position, length, units);
}
void SelectTextAreaText(const GadgetRef& textarea, int position, int length, int units) {
  Need(textarea, u"SelectTextAreaText").SetSelection(position, length, units);
}
int TextAreaCharX(const GadgetRef& textarea, int position) {
  return Need(textarea, u"TextAreaCharX").CharX(position);
}
int TextAreaCharY(const GadgetRef& textarea, int position) {
  return Need(textarea, u"TextAreaCharY").CharY(position);
}
int TextAreaChar(const GadgetRef& textarea, int line) {
  return Need(textarea, u"TextAreaChar").CharAt(line);
}
int TextAreaLine(const GadgetRef& textarea, int position) {
  return Need(textarea, u"TextAreaLine").LineAt(position);
}

// --- HTML views, sliders, progress bars, canvases ---------------------------------

void HtmlViewGo(const GadgetRef& htmlview, const String& url) {
  Need(htmlview, u"HtmlViewGo").SetText(url);
}
String HtmlViewCurrentURL(const GadgetRef& htmlview) {
  return Need(htmlview, u"HtmlViewCurrentURL").GetText();
}
void HtmlViewBack(const GadgetRef& htmlview) {
  Need(htmlview, u"HtmlViewBack").Activate(ACTIVATE_BACK);
}
void HtmlViewForward(const GadgetRef& htmlview) {
  Need(htmlview, u"HtmlViewForward").Activate(ACTIVATE_FORWARD);
}
String HtmlViewRun(const GadgetRef& htmlview, const String& script) {
  return Need(htmlview, u"HtmlViewRun").Run(script);
}
void UpdateProgBar(const GadgetRef& progressbar, float value) {
  Need(progressbar, u"UpdateProgBar").SetValue(value);
}
void SetSliderRange(const GadgetRef& slider, int visible_amount, int total_range) {
  Need(slider, u"SetSliderRange").SetRange(visible_amount, total_range);
}
void SetSliderValue(const GadgetRef& slider, int value) {
  Need(slider, u"SetSliderValue").SetProp(value);
}
int SliderValue(const GadgetRef& slider) { return Need(slider, u"SliderValue").GetProp(); }
ObjectRef CanvasGraphics(const GadgetRef& canvas) {
  return Need(canvas, u"CanvasGraphics").CanvasGraphics();
}

// --- Requests, fonts and the pointer ------------------------------------------------

int RequestColor(int red, int green, int blue) {
  const GuiDriverRef& driver = ActiveGuiDriver();
  if (!driver) return 0;
  const int chosen = driver->RequestColor(red & 0xff, green & 0xff, blue & 0xff);
  if (chosen == 0) return 0;
  last_requested_color = chosen & 0xffffff;
  return 1;
}
int RequestedRed() { return (last_requested_color >> 16) & 0xff; }
int RequestedGreen() { return (last_requested_color >> 8) & 0xff; }
int RequestedBlue() { return last_requested_color & 0xff; }

FontRef RequestFont(const FontRef& font) {
  const GuiDriverRef& driver = ActiveGuiDriver();
  return driver ? driver->RequestFont(font) : nullptr;
}

FontRef LoadGuiFont(const String& name, double size, int bold, int italic, int underline,
                    int strikethrough) {
  const GuiDriverRef& driver = ActiveGuiDriver();
  if (!driver) return nullptr;
  const int style = Flag(bold) * FONT_BOLD + Flag(italic) * FONT_ITALIC +
                    Flag(underline) * FONT_UNDERLINE + Flag(strikethrough) * FONT_STRIKETHROUGH;
  return driver->LoadFontWithDouble(name, size, style);
}

FontRef LookupGuiFont(int kind, double size, int style) {
  const GuiDriverRef& driver = ActiveGuiDriver();
  return driver ? driver->LibraryFont(kind, size, style) : nullptr;
}

void SetPointer(int shape) {
  if (const GuiDriverRef& driver = ActiveGuiDriver()) driver->SetPointer(shape);
}

}  // namespace lexidor
