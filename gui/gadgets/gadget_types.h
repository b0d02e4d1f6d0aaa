// The numbers shared by the gadget model and every GUI driver: gadget kinds,
// the style bits each kind reads, the state bits State() reports, item state
// and flag bits, edge modes of the layout and the Activate commands.
#pragma once

namespace lexidor {

// Gadget kinds: the `kind` argument of CreateGadget and the result of Class().
constexpr int KIND_DESKTOP = 0;
constexpr int KIND_WINDOW = 1;
constexpr int KIND_BUTTON = 2;
constexpr int KIND_PANEL = 3;
constexpr int KIND_TEXTFIELD = 4;
constexpr int KIND_TEXTAREA = 5;
constexpr int KIND_COMBOBOX = 6;
constexpr int KIND_LISTBOX = 7;
constexpr int KIND_TOOLBAR = 8;
constexpr int KIND_TABBER = 9;
constexpr int KIND_TREEVIEW = 10;
constexpr int KIND_HTMLVIEW = 11;
constexpr int KIND_LABEL = 12;
constexpr int KIND_SLIDER = 13;
constexpr int KIND_PROGRESSBAR = 14;
constexpr int KIND_MENUITEM = 15;
constexpr int KIND_TREENODE = 16;  // made by InsertNode only, never by CreateGadget
constexpr int KIND_CANVAS = 17;

// Window style bits.
constexpr int WINDOW_TITLEBAR = 0x1;       // title bar and border; borderless without it
constexpr int WINDOW_RESIZABLE = 0x2;      // resizable, minimum 64 x 64
constexpr int WINDOW_MENU = 0x4;           // with WINDOW_CLIENTCOORDS: room for a menu bar (+32)
constexpr int WINDOW_STATUS = 0x8;         // with WINDOW_CLIENTCOORDS: room for a status bar (+24)
constexpr int WINDOW_CLIENTCOORDS = 0x20;  // the given size is the client area
constexpr int WINDOW_HIDDEN = 0x40;        // created hidden
constexpr int WINDOW_ACCEPTFILES = 0x80;   // accepts dropped files
constexpr int WINDOW_CENTER = 0x200;       // centred by NewWindow on its group or the desktop

// Button style: the low three bits choose the type.
constexpr int BUTTON_TYPE_MASK = 0x7;
constexpr int BUTTON_PUSH = 0;
constexpr int BUTTON_CHECKBOX = 2;
constexpr int BUTTON_RADIO = 3;
constexpr int BUTTON_OK = 4;           // pressed by the Return key
constexpr int BUTTON_CANCEL = 5;       // pressed by the Escape key
constexpr int BUTTON_PUSHSTYLE = 0x8;  // check box / radio shown as a push button

// Label style: frame in the low three bits, alignment in bits 0x18.
constexpr int LABEL_FRAME_MASK = 0x7;
constexpr int LABEL_NOFRAME = 0;
constexpr int LABEL_FRAME = 1;
constexpr int LABEL_SUNKENFRAME = 2;
constexpr int LABEL_ENGRAVEDFRAME = 3;
constexpr int LABEL_LEFT = 0;
constexpr int LABEL_RIGHT = 0x8;
constexpr int LABEL_CENTER = 0x10;

// Panel style bits.
constexpr int PANEL_SUNKEN = 0x1;
constexpr int PANEL_ACTIVE = 0x2;  // reports mouse and key events
constexpr int PANEL_GROUP = 0x8;   // titled variant

// Text area, combo box, list box and slider style bits.
constexpr int TEXTAREA_WORDWRAP = 0x1;
constexpr int TEXTAREA_READONLY = 0x2;
constexpr int COMBOBOX_EDITABLE = 0x1;
constexpr int LISTBOX_MULTISELECT = 0x1;
constexpr int SLIDER_HORIZONTAL = 0x1;
constexpr int SLIDER_TRACKBAR = 0x4;  // a slider; without it a scroll bar

// Bits returned by TGadget::State().
constexpr int STATE_MINIMIZED = 0x1;  // window state; the FLTK driver never sets it
constexpr int STATE_MAXIMIZED = 0x2;  // window state; the FLTK driver never sets it
constexpr int STATE_DISABLED = 0x4;
constexpr int STATE_HIDDEN = 0x8;
constexpr int STATE_SELECTED = 0x10;
constexpr int STATE_INDETERMINATE = 0x40;

// Item state bits (ItemState, ListItemState).
constexpr int ITEMSTATE_DISABLED = 0x4;
constexpr int ITEMSTATE_SELECTED = 0x10;

// Item flag bits (TGadgetItem::flags).
constexpr int ITEMFLAG_SELECTED = 0x1;    // select the item when it is inserted or set
constexpr int ITEMFLAG_TOGGLEICON = 0x2;  // the icon shows the selection: icon + 1 while selected

// Edge modes of the layout (lockl, lockr, lockt, lockb).
constexpr int EDGE_FLOATING = 0;
constexpr int EDGE_ANCHORED = 1;      // keeps its distance to the same edge of the parent
constexpr int EDGE_PROPORTIONAL = 2;  // keeps its position as a fraction of the parent's size

// SelectItem operations.
constexpr int ITEM_DESELECT = 0;
constexpr int ITEM_SELECT = 1;
constexpr int ITEM_TOGGLE = 2;

// Activate commands.
constexpr int ACTIVATE_FOCUS = 0;  // keyboard focus, or activate a window
constexpr int ACTIVATE_CUT = 1;
constexpr int ACTIVATE_COPY = 2;
constexpr int ACTIVATE_PASTE = 3;
constexpr int ACTIVATE_MINIMIZE = 4;
constexpr int ACTIVATE_MAXIMIZE = 5;
constexpr int ACTIVATE_RESTORE = 6;
constexpr int ACTIVATE_SELECT = 7;  // select a tree node
constexpr int ACTIVATE_EXPAND = 8;
constexpr int ACTIVATE_COLLAPSE = 9;
constexpr int ACTIVATE_BACK = 10;
constexpr int ACTIVATE_FORWARD = 11;
constexpr int ACTIVATE_PRINT = 12;  // a further gadget command no driver here carries out
constexpr int ACTIVATE_REDRAW = 13;

// Font style bits (TGuiFont::style, bits 12..15 of a font handle).
constexpr int FONT_BOLD = 1;
constexpr int FONT_ITALIC = 2;
constexpr int FONT_UNDERLINE = 4;
constexpr int FONT_STRIKETHROUGH = 8;

// Graphics flags handed to a new canvas's AttachGraphics (a back-buffered
// context, the graphics layer's default).
constexpr int GRAPHICS_BACKBUFFER = 0x2;
constexpr int DEFAULT_GRAPHICS_FLAGS = GRAPHICS_BACKBUFFER;

}  // namespace lexidor
