// The global gadget functions the application calls: creation through the
// active GUI driver, and one thin function per gadget operation that takes
// the gadget first and forwards the rest unchanged.
//
// Creation functions return what the driver's CreateGadget returns: nullptr
// when there is no active driver or it cannot make the gadget; callers test.
// Every other function raises TRuntimeException "<function>: the gadget is
// null" when handed a null gadget.  Colour components are 0..255.  Text-area
// positions and lengths count in `units` (TEXTAREA_CHARS or TEXTAREA_LINES);
// a length of TEXTAREA_ALL means "to the end".  Main thread only.
#pragma once

#include <vector>

#include "gui/gadgets/gadget.h"
#include "gui/gadgets/gui_driver.h"

namespace lexidor {

constexpr int TEXTAREA_CHARS = 1;
constexpr int TEXTAREA_LINES = 2;
constexpr int TEXTAREA_ALL = -1;

// --- Creation ---------------------------------------------------------------
// A KIND_WINDOW gadget; `group` may be null.  With WINDOW_CENTER in `style`
// the x and y given are replaced: centred on the group's rectangle, or on
// the desktop (DesktopGadget) without a group.  The style goes on unchanged.
GadgetRef NewWindow(const String& title, int x, int y, int w, int h, const GadgetRef& group,
                    int style);
GadgetRef NewLabel(const String& text, int x, int y, int w, int h, const GadgetRef& group,
                   int style);
GadgetRef NewButton(const String& text, int x, int y, int w, int h, const GadgetRef& group,
                    int style);
GadgetRef NewPanel(int x, int y, int w, int h, const GadgetRef& group, int style,
                   const String& title = String());
GadgetRef NewTextField(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewTextArea(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewComboBox(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewListBox(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewTabber(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewTreeView(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewHtmlView(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewSlider(int x, int y, int w, int h, const GadgetRef& group, int style);
GadgetRef NewProgressBar(int x, int y, int w, int h, const GadgetRef& group, int style);
// A KIND_TOOLBAR gadget with the icon strip loaded from `icon_source`
// through the driver and one empty item per icon (item i shows icon i).
// Without a strip the tool bar stays empty.
GadgetRef NewToolbar(const ObjectRef& icon_source, int x, int y, int w, int h,
                     const GadgetRef& group, int style);
// A KIND_CANVAS gadget with graphics attached (DEFAULT_GRAPHICS_FLAGS).
GadgetRef NewCanvas(int x, int y, int w, int h, const GadgetRef& group, int style);
// A KIND_MENUITEM gadget under `parent` (a window's menu or another item)
// with `tag` as its style; the hot key is set when `hot_key` is non-zero.
GadgetRef NewMenuItem(const String& text, int tag, const GadgetRef& parent, int hot_key = 0,
                      int modifiers = 0);
// The KIND_DESKTOP gadget: its rectangle is the desktop area.
GadgetRef DesktopGadget();
// The gadget with the keyboard focus, or nullptr.
GadgetRef ActiveGadget();
// CleanUp: drops extra, filter and context and lets the driver free it.
void ReleaseGadget(const GadgetRef& gadget);

// --- Events -----------------------------------------------------------------
// Makes and emits an event about `gadget` (how the driver reports what
// happens to a gadget).  The event's source is the gadget's `source` (its
// proxy) when it has a live one, else the gadget itself.
void RaiseGadgetEvent(int id, const GadgetRef& gadget, int data = 0, int mods = 0, int x = 0,
                      int y = 0, ObjectRef extra = nullptr);
void SetGadgetFilter(const GadgetRef& gadget, GadgetFilter filter, ObjectRef context);

// --- Text, colours and fonts ------------------------------------------------
// A window's title, a label's or button's caption, a text field's content.
void ChangeGadgetText(const GadgetRef& gadget, const String& text);
String GadgetText(const GadgetRef& gadget);
// The background colour when `background` is non-zero, else the text colour.
void TintGadget(const GadgetRef& gadget, int red, int green, int blue, int background);
void SetGadgetAlpha(const GadgetRef& gadget, float alpha);
void SetGadgetFont(const GadgetRef& gadget, const FontRef& font);
void SetGadgetToolTip(const GadgetRef& gadget, const String& tip);
String GadgetToolTip(const GadgetRef& gadget);
void SetGadgetPixmap(const GadgetRef& gadget, const ObjectRef& pixmap, int flags);
void SetGadgetIconStrip(const GadgetRef& gadget, const IconStripRef& strip);
void SetGadgetSensitivity(const GadgetRef& gadget, int flags);
int GadgetSensitivity(const GadgetRef& gadget);
void SetGadgetHotKey(const GadgetRef& gadget, int key, int modifiers);

// --- Buttons, enabling, visibility, commands ----------------------------------
// -1 when indeterminate, 1 when ticked, 0 otherwise.
int ButtonCheckState(const GadgetRef& button);
void ChangeButtonCheck(const GadgetRef& button, int state);
void EnableGadgetInput(const GadgetRef& gadget);
void DisableGadgetInput(const GadgetRef& gadget);
int GadgetDisabled(const GadgetRef& gadget);  // State bit 0x4, as 1 or 0
void ShowGadget(const GadgetRef& gadget);
void HideGadget(const GadgetRef& gadget);
int GadgetHidden(const GadgetRef& gadget);     // State bit 0x8, as 1 or 0
void ActivateGadget(const GadgetRef& gadget);  // focus, or activate a window
void RedrawGadget(const GadgetRef& gadget);
void GadgetCut(const GadgetRef& gadget);
void GadgetCopy(const GadgetRef& gadget);
void GadgetPaste(const GadgetRef& gadget);
void GadgetPrint(const GadgetRef& gadget);
void MinimizeWindow(const GadgetRef& window);
void MaximizeWindow(const GadgetRef& window);
void RestoreWindow(const GadgetRef& window);
int WindowMinimized(const GadgetRef& window);  // State bit 0x1, as 1 or 0
int WindowMaximized(const GadgetRef& window);  // State bit 0x2, as 1 or 0
int QueryGadget(const GadgetRef& gadget, int which);
int InsertGadget(const GadgetRef& gadget, const GadgetRef& kid, int index);

// --- Geometry, layout, tree, extra data -------------------------------------
void SetGadgetShape(const GadgetRef& gadget, int x, int y, int w, int h);
void SetGadgetLayout(const GadgetRef& gadget, int left, int right, int top, int bottom);
int GadgetX(const GadgetRef& gadget);
int GadgetY(const GadgetRef& gadget);
int GadgetWidth(const GadgetRef& gadget);
int GadgetHeight(const GadgetRef& gadget);
int GadgetClientWidth(const GadgetRef& gadget);
int GadgetClientHeight(const GadgetRef& gadget);
GadgetRef GadgetGroup(const GadgetRef& gadget);  // the parent, or nullptr
int GadgetClass(const GadgetRef& gadget);
void SetMinWindowSize(const GadgetRef& window, int w, int h);
void SetMaxWindowSize(const GadgetRef& window, int w, int h);
void SetStatusText(const GadgetRef& window, const String& text);
GadgetRef WindowMenu(const GadgetRef& window);
void UpdateWindowMenu(const GadgetRef& window);
void PopupWindowMenu(const GadgetRef& window, const GadgetRef& menu,
                     const ObjectRef& extra = nullptr);
ObjectRef GadgetExtra(const GadgetRef& gadget);
void SetGadgetExtra(const GadgetRef& gadget, ObjectRef extra);

// --- Items --------------------------------------------------------------------
// Icon -1 means no icon.  Flags: ITEMFLAG_SELECTED, ITEMFLAG_TOGGLEICON.
void AddGadgetItem(const GadgetRef& gadget, const String& text, const String& tip = String(),
                   int icon = -1, ObjectRef extra = nullptr, int flags = 0);
void InsertGadgetItem(const GadgetRef& gadget, int index, const String& text,
                      const String& tip = String(), int icon = -1, ObjectRef extra = nullptr,
                      int flags = 0);
void ModifyGadgetItem(const GadgetRef& gadget, int index, const String& text,
                      const String& tip = String(), int icon = -1, ObjectRef extra = nullptr,
                      int flags = 0);
void RemoveGadgetItem(const GadgetRef& gadget, int index);
void ClearGadgetItems(const GadgetRef& gadget);
int CountGadgetItems(const GadgetRef& gadget);
String GadgetItemText(const GadgetRef& gadget, int index);
String GadgetItemTooltip(const GadgetRef& gadget, int index);
int GadgetItemIcon(const GadgetRef& gadget, int index);
int GadgetItemFlags(const GadgetRef& gadget, int index);
ObjectRef GadgetItemExtra(const GadgetRef& gadget, int index);
int GadgetItemState(const GadgetRef& gadget, int index);
void SetGadgetItemState(const GadgetRef& gadget, int index, int state);
// Index -1 applies to every item.
void SelectGadgetItem(const GadgetRef& gadget, int index);
void DeselectGadgetItem(const GadgetRef& gadget, int index);
void ToggleGadgetItem(const GadgetRef& gadget, int index);
void DisableGadgetItem(const GadgetRef& gadget, int index);
void EnableGadgetItem(const GadgetRef& gadget, int index);
int SelectedGadgetItem(const GadgetRef& gadget);
std::vector<int> SelectedGadgetItems(const GadgetRef& gadget);
int GadgetSelectionChanged(const GadgetRef& gadget);
void SetGadgetDataSource(const GadgetRef& gadget, ObjectRef source);
int SyncGadgetDataSource(const GadgetRef& gadget);

// --- Tree views -----------------------------------------------------------------
GadgetRef TreeViewRoot(const GadgetRef& treeview);
GadgetRef SelectedTreeViewNode(const GadgetRef& treeview);
GadgetRef InsertTreeViewNode(const GadgetRef& node, int index, const String& text, int icon = -1);
GadgetRef AddTreeViewNode(const GadgetRef& node, const String& text, int icon = -1);
void ModifyTreeViewNode(const GadgetRef& node, const String& text, int icon = -1);
int CountTreeViewNodes(const GadgetRef& node);
void SelectTreeViewNode(const GadgetRef& node);
void ExpandTreeViewNode(const GadgetRef& node);
void CollapseTreeViewNode(const GadgetRef& node);

// --- Text areas -------------------------------------------------------------------
void SetTextAreaText(const GadgetRef& textarea, const String& text, int position = 0,
                     int length = TEXTAREA_ALL, int units = TEXTAREA_CHARS);
void AddTextAreaText(const GadgetRef& textarea, const String& text);
String TextAreaText(const GadgetRef& textarea, int position = 0, int length = TEXTAREA_ALL,
                    int units = TEXTAREA_CHARS);
int TextAreaLen(const GadgetRef& textarea, int units = TEXTAREA_CHARS);
void LockTextArea(const GadgetRef& textarea);
void UnlockTextArea(const GadgetRef& textarea);
void SetTextAreaTabs(const GadgetRef& textarea, int tabs);
int TextAreaCursor(const GadgetRef& textarea, int units = TEXTAREA_CHARS);
int TextAreaSelLen(const GadgetRef& textarea, int units = TEXTAREA_CHARS);
void FormatTextAreaText(const GadgetRef& textarea, int red, int green, int blue, int flags,
                        int position, int length, int units = TEXTAREA_CHARS);
void SelectTextAreaText(const GadgetRef& textarea, int position, int length,
                        int units = TEXTAREA_CHARS);
int TextAreaCharX(const GadgetRef& textarea, int position);
int TextAreaCharY(const GadgetRef& textarea, int position);
int TextAreaChar(const GadgetRef& textarea, int line);
int TextAreaLine(const GadgetRef& textarea, int position);

// --- HTML views, sliders, progress bars, canvases ---------------------------------
void HtmlViewGo(const GadgetRef& htmlview, const String& url);
String HtmlViewCurrentURL(const GadgetRef& htmlview);
void HtmlViewBack(const GadgetRef& htmlview);
void HtmlViewForward(const GadgetRef& htmlview);
String HtmlViewRun(const GadgetRef& htmlview, const String& script);
void UpdateProgBar(const GadgetRef& progressbar, float value);
void SetSliderRange(const GadgetRef& slider, int visible_amount, int total_range);
void SetSliderValue(const GadgetRef& slider, int value);
int SliderValue(const GadgetRef& slider);
ObjectRef CanvasGraphics(const GadgetRef& canvas);

// --- Requests, fonts and the pointer (through the active driver) -------------------
// Asks the user for a colour, preset to the given one (each component cut
// to its low 8 bits).  1 when a colour was chosen, which the three
// accessors then return; 0 when cancelled or there is no driver (the last
// chosen colour stays).
int RequestColor(int red, int green, int blue);
int RequestedRed();
int RequestedGreen();
int RequestedBlue();
// The font the user chose, or nullptr when cancelled or there is no driver.
FontRef RequestFont(const FontRef& font);
// A font by face name and size with the four style flags (non-zero = on);
// nullptr when the driver has none.
FontRef LoadGuiFont(const String& name, double size, int bold = 0, int italic = 0,
                    int underline = 0, int strikethrough = 0);
// A library face by kind (see TVexGUIDriver::LibraryFont).
FontRef LookupGuiFont(int kind, double size = 0, int style = 0);
// The pointer shape over the program's windows; nothing without a driver.
void SetPointer(int shape);

}  // namespace lexidor
