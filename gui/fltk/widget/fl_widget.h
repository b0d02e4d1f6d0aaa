// gui/fltk/widget: TFLWidget, the FLTK driver's gadget, with its keys and icon strips.
//
// TFLWidget: the FLTK driver's gadget, one per FLTK widget.
//
// Gadget coordinates are relative to the parent's client area; FLTK's are
// relative to the enclosing FLTK window.  A window gadget keeps a client
// group (`client`) into which all its child gadgets go, so a gadget made in
// a window has the window's client as its parent.
//
// Lifetime: a TFLWidget owns its FLTK widget from Create to Free; after
// Free `flhandle` is nullptr and every operation that would reach FLTK does
// nothing.  A TFLWidget released without Free (its last reference dropped)
// takes its FLTK widget, and those of its kids, off the screen the same way.
// Main thread only.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "gui/gadgets/gadget.h"
#include "gui/gadgets/gui_driver.h"

class Fl_Widget;

namespace lexidor {

// FLTK widget types (TFLWidget::fltype).
constexpr int FLTYPE_WINDOW = 0;         // Fl_AWindow, double-buffered
constexpr int FLTYPE_MENUBAR = 1;        // Fl_Menu_Bar
constexpr int FLTYPE_BUTTON = 2;         // Fl_Button
constexpr int FLTYPE_CHECKBOX = 3;       // Fl_Check_Button
constexpr int FLTYPE_RADIO = 4;          // Fl_Round_Button
constexpr int FLTYPE_TOGGLE = 5;         // Fl_Toggle_Button for a check box
constexpr int FLTYPE_TOGGLERADIO = 6;    // Fl_Toggle_Button for a radio button
constexpr int FLTYPE_RETURNBUTTON = 7;   // Fl_Return_Button
constexpr int FLTYPE_PANEL = 8;          // Fl_Panel
constexpr int FLTYPE_GROUPPANEL = 9;     // Fl_Panel with a caption
constexpr int FLTYPE_INPUT = 10;         // Fl_AInput
constexpr int FLTYPE_SECRETINPUT = 11;   // Fl_Secret_Input
constexpr int FLTYPE_TABS = 12;          // Fl_ATabs
constexpr int FLTYPE_GROUP = 13;         // Fl_Group
constexpr int FLTYPE_SIMPLEGROUP = 14;   // Fl_Group
constexpr int FLTYPE_PACK = 15;          // Fl_Pack
constexpr int FLTYPE_HOLDBROWSER = 16;   // Fl_Hold_Browser
constexpr int FLTYPE_MULTIBROWSER = 17;  // Fl_Multi_Browser
constexpr int FLTYPE_CHOICE = 18;        // Fl_Choice
constexpr int FLTYPE_TEXTEDITOR = 19;    // Fl_AText_Editor
constexpr int FLTYPE_TEXTDISPLAY = 20;   // Fl_AText_Display
constexpr int FLTYPE_HELPVIEW = 21;      // Fl_Help_View
constexpr int FLTYPE_BOX = 22;           // Fl_Box (label)
constexpr int FLTYPE_TOOLBAR = 23;       // Fl_Group
constexpr int FLTYPE_PROGRESS = 24;      // Fl_Progress
constexpr int FLTYPE_SLIDER = 25;        // Fl_Slider
constexpr int FLTYPE_SCROLLBAR = 26;     // Fl_Scrollbar
constexpr int FLTYPE_CANVAS = 27;        // Fl_Canvas
constexpr int FLTYPE_INPUTCHOICE = 28;   // Fl_Input_Choice
constexpr int FLTYPE_TREE = 29;          // Fl_Tree
constexpr int FLTYPE_MENU = 50;          // menu item: no FLTK widget
constexpr int FLTYPE_DESKTOP = 51;       // the desktop: no FLTK widget
constexpr int FLTYPE_NODE = 52;          // tree-view node: an Fl_Tree item

class TFLWidget;
using FLWidgetRef = std::shared_ptr<TFLWidget>;

class TFLWidget : public TGadget {
 public:
  TFLWidget() = default;
  ~TFLWidget() override;

  int fltype = 0;
  Fl_Widget* flhandle = nullptr;  // owned; nullptr after Free
  ObjectRef message;              // attached by SetMessage
  int tag = 0;                    // event data of buttons and menu items
  int handlex = 0, handley = 0;   // offset of the client area inside the FLTK widget
  int enabled = 0;
  int ignore = 0;
  int dirty = 0;  // 1 while queued for a redraw
  int lastbutton = 0;
  int current = 0;  // lists and combo boxes: the last selected index reported (-1: none)
  IconStripRef icons;
  int gadclass = 0;  // the gadget kind given to CreateGadget
  int fntsize = 0, fnthandle = 0, fntstyle = 0;
  int _lastchoice = -1;
  // Windows: the client group, the menu bar, the status bar and its three
  // texts (left, centred, right).  Owned by the window; not among its kids.
  FLWidgetRef client, menubar, statusbar;
  std::array<FLWidgetRef, 3> statustext;
  int textr = 0, textg = 0, textb = 0;
  // Text areas: base font and size, the lock state (the cursor and selection
  // kept while locked) and the cursor and selection length last reported.
  int textfont = 0, textsize = 14;
  int locked = 0, lockedpos = 0, lockedlen = 0;
  int intLastCursorPos = -1, intLastCursorLen = -1;
  // Tabbers: the pages (FLTK groups, kids of the tabber, in tab order), the
  // page new gadgets go into (the one shown) and the selected tab.
  // `tabitems` counts the pages that are tab items: before the first item
  // the tabber has one unnamed page for the gadgets made in it.
  std::vector<FLWidgetRef> tabpanels;
  FLWidgetRef tabgroup, currpanel;
  int tabselected = 0, tabitems = 0;
  // Menu items: `check` once the item has been given a check mark (it then
  // toggles when picked), `checked` the mark, `flshortcut` the FLTK
  // shortcut.  A window's `menu` is the root item its menus hang from.
  int check = 0, checked = 0, flshortcut = 0;
  FLWidgetRef menu;
  // Tree views: the root node (made on first use).  Nodes: their Fl_Tree
  // item (nullptr once freed), their tree and their icon index.
  FLWidgetRef root;
  void* nodehandle = nullptr;
  std::weak_ptr<TGadget> nodeowner;
  int icon = -1;
  // HTML view: the page shown and the pages visited (`historypos` indexes
  // the one shown, -1 before the first).
  String currenturl;
  std::vector<String> history;
  int historypos = -1;
  // Tool bars: the tools (active panels, kids of the bar) in item order.
  std::vector<FLWidgetRef> tools;
  // Scroll bars and sliders: the visible amount and total given by SetRange.
  int visible = 0, total = 0;

  // --- TGadget operations --------------------------------------------------
  void SetShape(int x, int y, int w, int h) override;
  // 5: WidgetId of the FLTK widget; 6: the same for a window's client
  // group; anything else 0.
  int Query(int which) override;
  void Free() override;
  void Rethink() override;
  int ClientWidth() override;
  int ClientHeight() override;
  void Activate(int command) override;
  int State() override;
  void SetText(const String& text) override;
  String GetText() override;
  void SetFont(const FontRef& font) override;
  void SetColor(int red, int green, int blue) override;
  void SetTextColor(int red, int green, int blue) override;
  void SetTooltip(const String& tip) override;
  String GetTooltip() override;
  void SetIconStrip(const IconStripRef& strip) override;
  void SetShow(int flag) override;
  void SetEnabled(int flag) override;
  void SetSelected(int flag) override;
  void SetHotKey(int key, int modifiers) override;
  int Class() override;
  void SetStatus(const String& text) override;
  void SetMinimumSize(int w, int h) override;
  void SetMaximumSize(int w, int h) override;
  // Menus (fl_widget_menus.cpp).  A window's menu: the root item whose kids
  // are the menu bar's titles (made on first use).  UpdateMenu rebuilds the
  // window's menu bar from it; items changed through their own operations
  // update their window themselves.  PopupMenu shows `menu`'s kids at the
  // pointer and posts "MenuAction" (extra = `menu_extra`) for the pick.
  GadgetRef GetMenu() override;
  void PopupMenu(const GadgetRef& menu, const ObjectRef& menu_extra) override;
  void UpdateMenu() override;
  // The window a menu item belongs to, nullptr for a free-standing menu.
  TFLWidget* MenuWindow();
  // What picking a menu item does: flips a check mark, posts "MenuAction".
  void MenuPicked(const ObjectRef& menu_extra);
  // Lists (single and multiple selection) and combo boxes.
  void ClearListItems() override;
  void InsertListItem(int index, const String& text, const String& tip, int icon,
                      const ObjectRef& item_extra) override;
  void SetListItem(int index, const String& text, const String& tip, int icon,
                   const ObjectRef& item_extra) override;
  void RemoveListItem(int index) override;
  void SetListItemState(int index, int state) override;
  int ListItemState(int index) override;
  // Tree views and their nodes (fl_widget_tree.cpp).  RootNode and
  // SelectedNode are asked of the tree; InsertNode, ModifyNode and CountKids
  // of a node (the tree stands for its root).  InsertNode with an index
  // outside the kids appends; it returns nullptr for a freed node.  Icons
  // are stored, not drawn.
  GadgetRef RootNode() override;
  GadgetRef SelectedNode() override;
  GadgetRef InsertNode(int index, const String& text, int icon) override;
  void ModifyNode(const String& text, int icon) override;
  int CountKids() override;
  // The tree of a node while both are alive, else nullptr.
  TFLWidget* NodeTree();
  // Gives the nodes below this one the icons of `tree`'s strip.
  void ShowNodeIcons(TFLWidget* tree);
  // The tree's callback: "GadgetSelect" for a selected node, "GadgetOpen"
  // and "GadgetClose" for an opened or closed one, each with the node as
  // extra.
  void TreeviewCallback();
  // HTML view (fl_widget_html.cpp).  SetURL loads the page through the
  // stream layer ("#name" at the end scrolls to that anchor), cleans it
  // (CleanHTML) and, with `addhistory`, drops the pages ahead and adds it to
  // the history.  A page that cannot be read shows a page naming the URL
  // and the reason.
  void SetURL(const String& url, int addhistory);
  void BackURL();
  void ForwardURL();
  // The page `page` (its bytes, one per code unit, as the stream layer
  // reads them) as FLTK's help view should be given it: decoded as UTF-8 or
  // Windows-1252 and rid of what the view would show wrongly, such as the
  // text of scripts and style sheets (html_cleaner.h lists it all).
  static String CleanHTML(const String& page);
  // The navigation scripts of html_script.h on an HTML view: goes back,
  // forward, reloads or shows a URL (with history), and gives the title or
  // the URL of the page shown.  Returns the result of the last statement,
  // "" for a statement that gives none.  A script that is not understood
  // as a whole does nothing and returns ""; so does every other gadget.
  String Run(const String& script) override;
  // A link click: resolves the link against the page shown, shows it (in
  // the history) and posts "GadgetAction" with the URL as extra.
  void RequestURL();
  // Text areas (fl_widget_text.cpp).  Positions and lengths count in
  // `units`: TEXTAREA_LINES counts lines, anything else characters; a
  // length below 0 reaches the end of the text.  Edits the program makes
  // are not reported as the user's.
  void ReplaceText(int position, int length, const String& text, int units) override;
  void AddText(const String& text) override;
  String AreaText(int position, int length, int units) override;
  int AreaLen(int units) override;
  // Keeps the user's cursor and selection across the program's edits until
  // the matching UnlockText (locks nest).
  void LockText() override;
  void UnlockText() override;
  void SetTabs(int tabs) override;
  int GetCursorPos(int units) override;
  int GetSelectionLength(int units) override;
  // Colour and FONT_BOLD / FONT_ITALIC / FONT_UNDERLINE /
  // FONT_STRIKETHROUGH for a stretch of text.
  void SetStyle(int red, int green, int blue, int flags, int position, int length,
                int units) override;
  void SetSelection(int position, int length, int units) override;
  // Where a character is drawn, relative to the gadget; -1 out of sight.
  int CharX(int position) override;
  int CharY(int position) override;
  // The first character of a line, and the line of a character.
  int CharAt(int line) override;
  int LineAt(int position) override;
  // Sliders, scroll bars and progress bars (fl_widget_values.cpp).
  void SetValue(float value) override;
  void SetRange(int visible_amount, int total_range) override;
  void SetProp(int value) override;
  int GetProp() override;

  // --- The driver's own operations --------------------------------------------
  // Queues the widget for a redraw at the next poll (once, however often
  // it is asked).
  void SetDirty();
  // Redraws the FLTK widget now (FLTK paints at its next pass).
  void Redraw();
  void RemoveChild(TFLWidget* child);
  // Makes `child` a kid of this widget, moves its FLTK widget into this
  // one when this is an FLTK group, locks its layout and places it.
  void AddChild(const FLWidgetRef& child);
  void SetHandle(int x, int y);
  // The offset of this widget's FLTK position from its gadget position:
  // the sum over its ancestors of their client offsets and, for all but
  // windows, their positions.
  int ClientX();
  int ClientY();
  int ClientOffset(int TFLWidget::*handle, int TGadget::*pos);
  // Clears the other radio buttons among the parent's kids.
  void ExcludeOthers();
  void SetMessage(ObjectRef object);
  // Posts "WindowAccept" for each "file://" line of the dropped text.
  void DropFiles();
  // "%xx" becomes the character xx (hexadecimal), "+" a space.
  static String DecodeURL(const String& text);
  static int HexToInt(const String& text);
  // What an FLTK callback on this widget means, posted as events; each
  // family of widgets has its own part.
  void OnCallback();
  void WindowCallback(int reason);
  void ListCallback(int mx, int my);  // list boxes and combo boxes
  void InputCallback(int reason);     // text fields, editable combo boxes
  void TabsCallback(int reason, int mx, int my);
  void TextAreaCallback(int reason, int mx, int my);
  void PanelCallback(int reason, int mx, int my);  // active panels and canvases
  // The extra object of item `index`; nullptr when out of range.
  ObjectRef ItemExtra(int index) const;
  // The FLTK callback of every widget: user data is the TFLWidget.
  static void Handler(Fl_Widget* widget, void* user_data);
  // An FLTK widget as a number (its address cut to an int): what Query(5)
  // answers and what hot keys bound to a widget name as their owner.  An
  // identity only; it cannot be turned back into the widget.
  static int WidgetId(Fl_Widget* widget);
  // The text buffer's change callback of text areas: posts "GadgetAction"
  // for an edit unless `ignore` is above 0 (the program's own edits), and
  // reports the cursor.
  static void EditHandler(int pos, int inserted, int deleted, void* user_data);
  // Reads the cursor of a text area (`pos` -1) or takes `pos` as the
  // cursor; when it or the selection length differs from what was last
  // reported, posts "GadgetSelect" with data = the cursor and x = the
  // selection length, in `units`.
  void CheckCursorPos(int units, int pos);
  void SetTextFont(const FontRef& font);

  // A new widget of FLTK type `fltype` in `parent` (nullptr: none).  For a
  // window the parent is its owner, not an FLTK parent.
  static FLWidgetRef Create(TFLWidget* parent, int x, int y, int w, int h, const String& text,
                            int fltype, int style);
  // The type's own set-up of a widget Create has just made; `owned`: a
  // window with an owner window.
  void SetUpForType(bool owned);
  // The desktop: no FLTK widget, the shape of the screen's work area.
  static FLWidgetRef CreateDesktop();
  // A menu item: no FLTK widget; `style` is its tag.  Items made for a
  // window hang from the window's menu root and show in its menu bar;
  // items made for another item form its submenu.
  static FLWidgetRef CreateMenu(const String& text, int style, TFLWidget* group);
  void CreateWindowClient();
  // Tool bars (fl_widget_tools.cpp).  A tool is an active panel showing
  // icon `icon` of the bar's strip; its `tag` is its index, plus 0x10000
  // while disabled.
  void InsertTool(int index, int icon, const String& tip);
  void SetTool(int index, int icon, const String& tip);
  void RemoveTool(int index);
  void EnableTool(int index, int flag);
  void SelectTool(int index, int flag);
  int ToolState(int index);
  void LayoutToolBar();
  // A mouse event on a tool (a panel whose parent is a tool bar).
  void ToolEvent(int reason, int mx, int my);
  // Tab pages (fl_widget_tabs.cpp).
  void CreateTabGroup();
  // A tab page's text and its icon of the tabber's strip (-1: none).
  void InsertTab(int index, const String& text, int icon_index);
  void SetTab(int index, const String& text, int icon_index);
  void RemoveTab(int index);
  // Shows page `index` (no event: the program's choice).
  void SelectTab(int index);
  int SelectedTab();
  void RethinkWindow();

 private:
  // Takes the FLTK widgets of this widget, its kids and its window parts
  // off the screen (the destructor's part of Free).
  void ReleaseToolkit();
  bool IsGroupType() const;
  bool IsList() const { return fltype == FLTYPE_HOLDBROWSER || fltype == FLTYPE_MULTIBROWSER; }
  bool IsChoice() const { return fltype == FLTYPE_CHOICE || fltype == FLTYPE_INPUTCHOICE; }
  bool IsTextArea() const { return fltype == FLTYPE_TEXTEDITOR || fltype == FLTYPE_TEXTDISPLAY; }
  // A position and length in `units` as characters start..end, clamped.
  void TextRange(int position, int length, int units, int* start, int* end);
};

}  // namespace lexidor
