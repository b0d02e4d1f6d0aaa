// gui/gadgets: the toolkit-free gadget model and the GUI driver interface it is built through.
//
// The gadget model: one element of the user interface (a window, a button, a
// label, a list, a menu item) with everything that does not depend on the
// windowing toolkit: geometry, the parent/child tree, layout locks that move
// children when their parent is resized, the item list, data sources, the key
// filter and the event source.
//
// Gadgets are made by the active GUI driver (gui_driver.h), whose gadget type
// derives from TGadget and overrides the methods marked "driver" below; the
// base versions of those do nothing and return 0, the empty string or
// nullptr.
//
// Ownership: gadgets are shared (GadgetRef) and must be made with
// std::make_shared, since linking into a parent needs a shared reference to
// the gadget itself.  A gadget owns its kids; `parent` is a plain,
// non-owning pointer, cleared in the kids when a parent is destroyed.  Main
// thread only.
#pragma once

#include <memory>
#include <vector>

#include "gui/events/event.h"
#include "gui/gadgets/gadget_types.h"
#include "runtime/object.h"

namespace lexidor {

class TGadget;
class TGuiFont;
class TObjectList;
class TObjectArray;
class TIconStrip;
using GadgetRef = std::shared_ptr<TGadget>;
using FontRef = std::shared_ptr<TGuiFont>;
using IconStripRef = std::shared_ptr<TIconStrip>;

// A key filter: called by the driver for key presses in the gadget with a
// "KeyDown" or "KeyChar" event made for the call (not emitted) and the
// gadget's `context`.  0 swallows the key; non-zero lets the gadget have it.
using GadgetFilter = int (*)(const EventRef& event, const ObjectRef& context);

// One entry of a gadget's item list.
struct TGadgetItem {
  String text;
  String tip;
  int icon = 0;   // index into the gadget's icon strip; negative for none
  int flags = 0;  // ITEMFLAG_SELECTED, ITEMFLAG_TOGGLEICON
  ObjectRef extra;

  void Set(const String& new_text, const String& new_tip, int new_icon, ObjectRef new_extra,
           int new_flags);
};

class TGadget : public TObject, public std::enable_shared_from_this<TGadget> {
 public:
  TGadget() = default;
  TGadget(const TGadget&) = delete;
  TGadget& operator=(const TGadget&) = delete;
  // Clears `parent` in every kid still alive beyond this gadget.
  ~TGadget() override;

  // The gadget to name as the source of this gadget's events instead of
  // itself (set by TProxyGadget::SetProxy).  Not owning: once the proxy is
  // gone the gadget names itself again.
  std::weak_ptr<TGadget> source;
  TGadget* parent = nullptr;    // the containing gadget; nullptr at top level
  std::vector<GadgetRef> kids;  // contained gadgets, in insertion order
  int xpos = 0, ypos = 0;       // inside the parent's client area
  int width = 0, height = 0;    // never negative
  String name;
  ObjectRef extra;  // user data
  int style = 0;    // style bits given at creation
  int sensitivity = 0;
  int visible = 0;                                 // kept for drivers; the core does not read it
  int total = 1;                                   // kept for drivers; the core does not read it
  int lockl = 0, lockr = 0, lockt = 0, lockb = 0;  // EDGE_* modes
  int lockx = 0, locky = 0, lockw = 0, lockh = 0;  // rectangle at the last LockLayout
  int lockcw = 0, lockch = 0;  // parent's client size at the last LockLayout (>= 1)
  GadgetFilter eventfilter = nullptr;
  ObjectRef context;  // handed to eventfilter
  std::vector<TGadgetItem> items;
  std::vector<int> arrPrevSelection;  // selected indexes as last seen by SelectionChanged
  ObjectRef datasource;               // a TObjectList, TStringArray or TObjectArray (data_source.h)
  std::vector<String> datakeys;       // item texts last taken from the data source

  // A shared reference to this gadget; nullptr when it is not held by one.
  GadgetRef Self();

  // --- Tree, filter, geometry and layout -----------------------------------
  virtual void SetFilter(GadgetFilter filter, ObjectRef filter_context);
  // 1 when `gadget` is this gadget or lies below it, else 0.
  virtual int HasDescendant(const TGadget* gadget);
  // Takes the gadget out of its parent's kids and links it into `group`
  // (nullptr: no parent): appended for a negative index or one at or beyond
  // the number of kids, else inserted before the kid now at `index`.
  // Raises TRuntimeException when the gadget is not held by a GadgetRef or
  // when `group` is the gadget itself or lies inside it.
  virtual void _setparent(TGadget* group, int index);
  // The first index at which the selection differs from the one seen by the
  // previous call (see gadget_items.cpp), or -1 when it has not changed.
  virtual int SelectionChanged();
  virtual GadgetRef Handle();                         // the gadget itself
  virtual void SetShape(int x, int y, int w, int h);  // SetArea, then LockLayout
  virtual void SetArea(int x, int y, int w, int h);   // SetRect, Rethink, LayoutKids
  virtual void SetRect(int x, int y, int w, int h);   // stores; w and h at least 0
  virtual void LockLayout();
  virtual void SetLayout(int left, int right, int top, int bottom);
  virtual void LayoutKids();
  virtual void DoLayout();

  // --- Data sources ---------------------------------------------------------
  virtual void SetDataSource(ObjectRef source_object);
  // The ToString of each non-null element, in order.
  static std::vector<String> KeysFromList(const TObjectList& list);
  static std::vector<String> KeysFromObjectArray(const TObjectArray& array);
  // Re-reads the data source into the item list.  Returns 1 when it emptied
  // the list because the source has no keys, else 0 (also when there is no
  // source, or the source is not one of the three containers).
  virtual int SyncDataSource();
  // Changes the item list into `keys` with few inserts and removals, walking
  // against `datakeys` (which the caller then replaces).
  virtual void SyncData(const std::vector<String>& keys);
  virtual void InsertItemFromKey(int index, const String& key);

  // --- Item list ------------------------------------------------------------
  // Indexes run from 0 to ItemCount() - 1.  InsertItem accepts 0 to
  // ItemCount() (any other index appends); the other item operations raise
  // TRuntimeException "Gadget item index out of range: <n>" outside the list,
  // except ItemExtra(-1), which gives nullptr, and SelectItem(-1, op), which
  // applies the operation to every item.
  virtual void Clear();
  virtual void InsertItem(int index, const String& text, const String& tip, int icon,
                          ObjectRef item_extra, int flags);
  virtual void SetItem(int index, const String& text, const String& tip, int icon,
                       ObjectRef item_extra, int flags);
  virtual void RemoveItem(int index);
  virtual int ItemCount();
  virtual String ItemText(int index);
  virtual String ItemTip(int index);
  virtual int ItemFlags(int index);
  virtual int ItemIcon(int index);
  virtual ObjectRef ItemExtra(int index);
  virtual void SetItemState(int index, int state);  // SetListItemState
  virtual int ItemState(int index);                 // ListItemState
  // Operation ITEM_DESELECT, ITEM_SELECT or ITEM_TOGGLE on bit 0x10.
  virtual void SelectItem(int index, int operation);
  // The icon item `index` shows in `state`: the next icon while selected
  // when its icon shows its selection (ITEMFLAG_TOGGLEICON), else its own.
  // The index must be valid.
  int ItemIconShown(int index, int state) const;
  // The one selected index; -1 when none or several are selected.
  virtual int SelectedItem();
  virtual std::vector<int> SelectedItems();  // ascending

  virtual int Insert(const GadgetRef& gadget, int index);  // 0
  virtual int Query(int which);                            // 0
  // Drops extra, filter and context, then Free.
  virtual void CleanUp();

  // --- Driver operations (base: nothing, 0, "" or nullptr) ------------------
  virtual void Free();  // off the screen and out of the tree
  virtual void Rethink();
  virtual int ClientWidth();
  virtual int ClientHeight();
  virtual void Activate(int command);  // ACTIVATE_*
  virtual int State();                 // STATE_* bits
  virtual void SetText(const String& text);
  virtual String GetText();
  virtual void SetFont(const FontRef& font);
  virtual void SetColor(int red, int green, int blue);  // background
  virtual void SetAlpha(float alpha);
  virtual void SetTextColor(int red, int green, int blue);  // foreground
  virtual void SetTooltip(const String& tip);
  virtual String GetTooltip();
  virtual void SetPixmap(const ObjectRef& pixmap, int flags);
  virtual void SetIconStrip(const IconStripRef& strip);
  virtual void SetShow(int flag);
  virtual void SetEnabled(int flag);
  virtual void SetSelected(int flag);
  virtual void SetHotKey(int key, int modifiers);
  virtual void SetSensitivity(int flags);  // stores `sensitivity`
  virtual int GetSensitivity();            // returns `sensitivity`
  virtual int Class();                     // KIND_*
  virtual void SetStatus(const String& text);
  virtual GadgetRef GetMenu();
  virtual void PopupMenu(const GadgetRef& menu, const ObjectRef& menu_extra);
  virtual void UpdateMenu();
  virtual void SetMinimumSize(int w, int h);
  virtual void SetMaximumSize(int w, int h);
  virtual void ClearListItems();
  virtual void InsertListItem(int index, const String& text, const String& tip, int icon,
                              const ObjectRef& item_extra);
  virtual void SetListItem(int index, const String& text, const String& tip, int icon,
                           const ObjectRef& item_extra);
  virtual void RemoveListItem(int index);
  virtual void SetListItemState(int index, int state);
  virtual int ListItemState(int index);
  virtual GadgetRef RootNode();
  virtual GadgetRef SelectedNode();
  virtual GadgetRef InsertNode(int index, const String& text, int icon);
  virtual void ModifyNode(const String& text, int icon);
  virtual int CountKids();
  virtual void ReplaceText(int position, int length, const String& text, int units);
  virtual void AddText(const String& text);
  virtual String AreaText(int position, int length, int units);
  virtual int AreaLen(int units);
  virtual void LockText();
  virtual void UnlockText();
  virtual void SetTabs(int tabs);
  virtual int GetCursorPos(int units);
  virtual int GetSelectionLength(int units);
  virtual void SetStyle(int red, int green, int blue, int flags, int position, int length,
                        int units);
  virtual void SetSelection(int position, int length, int units);
  virtual int CharX(int position);
  virtual int CharY(int position);
  virtual int CharAt(int line);
  virtual int LineAt(int position);
  virtual void SetValue(float value);
  virtual void SetRange(int visible_amount, int total_range);
  virtual void SetProp(int value);
  virtual int GetProp();
  virtual ObjectRef AttachGraphics(int flags);
  virtual ObjectRef CanvasGraphics();
  virtual String Run(const String& script);

 protected:
  // Raises TRuntimeException unless 0 <= index < items.size().
  void CheckItemIndex(int index) const;
};

// Makes the module's state: the plain gadget every new TProxyGadget wraps.
// Idempotent.
void InitGadgetModule();

// The plain TGadget a new TProxyGadget wraps (proxy_gadget.h); made by
// InitGadgetModule, which this runs first if need be.
const GadgetRef& PlainProxyGadget();

}  // namespace lexidor
