// gui/fltk/glue: plain functions over FLTK's classes, the only doorway to FLTK's widgets.
//
// The glue between the FLTK driver and FLTK itself: plain functions over
// integers, Strings and opaque FLTK widget pointers.  Only the glue's .cpp
// files include FLTK (and Xlib); everything above it sees `Fl_Widget` as an
// incomplete type.
//
// Texts: Strings go to FLTK as UTF-8 and come back from UTF-8; the glue
// copies every text it hands to FLTK, so callers may drop theirs at once.
// Colours cross as RGB triples 0..255.  A null widget pointer is accepted
// everywhere and does nothing (getters return 0 or the empty string).
// Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/string.h"

class Fl_Widget;  // FLTK's widget base class; opaque above the glue
class Fl_Image;   // FLTK's image base class; opaque above the glue

namespace lexidor {

// The callback FLTK calls on a widget (FLTK's Fl_Callback).
using GlueCallback = void (*)(Fl_Widget* widget, void* user_data);
// FLTK's global handler for events no widget used: non-zero = handled.
using GlueEventHandler = int (*)(int flevent);
// Asked by the text widgets before they take a key press: 0 swallows it.
using GlueKeyFilter = int (*)(void* user_data);

// FLTK event numbers the driver reads (FLTK's Fl_Event values).
constexpr int FLEVENT_PUSH = 1;
constexpr int FLEVENT_RELEASE = 2;
constexpr int FLEVENT_ENTER = 3;
constexpr int FLEVENT_LEAVE = 4;
constexpr int FLEVENT_DRAG = 5;
constexpr int FLEVENT_FOCUS = 6;
constexpr int FLEVENT_UNFOCUS = 7;
constexpr int FLEVENT_KEYDOWN = 8;
constexpr int FLEVENT_KEYUP = 9;
constexpr int FLEVENT_CLOSE = 10;
constexpr int FLEVENT_MOVE = 11;
constexpr int FLEVENT_SHORTCUT = 12;
constexpr int FLEVENT_ACTIVATE = 14;
constexpr int FLEVENT_PASTE = 17;
constexpr int FLEVENT_MOUSEWHEEL = 19;

// FLTK box types and alignments the driver sets.
constexpr int FLBOX_NO_BOX = 0;
constexpr int FLBOX_FLAT_BOX = 1;
constexpr int FLBOX_DOWN_BOX = 3;
constexpr int FLBOX_DOWN_FRAME = 5;
constexpr int FLBOX_THIN_UP_BOX = 6;
constexpr int FLBOX_THIN_DOWN_BOX = 7;
constexpr int FLBOX_EMBOSSED_BOX = 11;
constexpr int FLBOX_ENGRAVED_FRAME = 12;
constexpr int FLBOX_EMBOSSED_FRAME = 13;
constexpr int FLBOX_BORDER_FRAME = 16;
constexpr int FLALIGN_LEFT = 4;
constexpr int FLALIGN_RIGHT = 8;
constexpr int FLALIGN_INSIDE = 16;
constexpr int FLALIGN_WRAP = 128;

// FLTK's colour index of black, and of the selection colour.
constexpr unsigned FLCOLOR_BLACK = 56;
constexpr unsigned FLCOLOR_SELECTION = 15;

// --- Start-up and the event pump ---------------------------------------------
// Opens FLTK on `display` (an Xlib Display*, shared with the console
// driver), asks for a double-buffered visual (keeping FLTK's default when
// there is none), sets the "gtk+" scheme, installs `event_handler` as FLTK's
// global handler and `key_filter` for the text widgets, and loads the
// system's fonts.  Returns the number of FLTK fonts.  Once only: later calls
// return the count and change nothing.
int glue_init_fltk(void* display, GlueEventHandler event_handler, GlueKeyFilter key_filter);
// True once glue_init_fltk has run.
bool glue_fltk_open();
// Names the program's windows to the desktop: every window shown from now on
// carries the X class `xclass` (WM_CLASS, which desktops match to a menu
// entry's StartupWMClass) and, when `png` holds a PNG image, that image as its
// icon (_NET_WM_ICON).  False when the image cannot be read.
bool glue_set_window_identity(const char* xclass, const unsigned char* png, int png_size);
// One non-blocking FLTK pass: due timeouts, X events already read, deferred
// deletions, redraws.  Returns whether any window is shown.
int glue_check();
// One FLTK pass that may block for up to `max_seconds`: it ends when X input
// arrives on the shared connection, FLTK's next timeout is due, or a signal
// other than the 1 ms tick comes in; then runs what became due.  The tick
// is held off meanwhile, so an idle program sleeps here instead of waking
// every millisecond.
void glue_wait(double max_seconds);
// Makes FLTK's waits end when `fd` becomes readable, calling
// `on_readable(data)` from inside the wait; the callback must read what is
// there, or the next wait ends at once.
void glue_watch_descriptor(int fd, void (*on_readable)(void* data), void* data);
// Hands one X event (a const XEvent*) to FLTK's dispatcher.
void glue_handle_xevent(const void* xevent);

// --- Widgets -----------------------------------------------------------------
// A new widget of FLTK type `fltype` (the driver's FLTYPE_* table) with
// the given rectangle and label, belonging to no group; nullptr for an
// unknown type.
Fl_Widget* glue_create_widget(int x, int y, int w, int h, const String& label, int fltype);
// Installs `callback` with `user_data` on the widget.  The glue remembers
// the driver's callback so that glue_owner_data can tell its widgets apart.
void glue_set_callback(Fl_Widget* widget, GlueCallback callback, void* user_data);
// The user data of the nearest widget, from `widget` up through its
// parents, whose callback is the driver's (set with glue_set_callback);
// nullptr when there is none.
void* glue_owner_data(Fl_Widget* widget);
// The event behind the current callback: the reason recorded by one of the
// glue's widget classes, else FLTK's current event number.
int glue_callback_reason();

// FLTK's own type number of the widget (for a slider: 1 horizontal).
void glue_set_widget_type(Fl_Widget* widget, int type);
void glue_set_box(Fl_Widget* widget, int box, int redraw);
int glue_get_box(Fl_Widget* widget);
void glue_set_align(Fl_Widget* widget, int align);
int glue_get_align(Fl_Widget* widget);
// Copies `text` into the widget's label and redraws the label.
void glue_set_label(Fl_Widget* widget, const String& text);
String glue_get_label(Fl_Widget* widget);
void glue_set_window_title(Fl_Widget* window, const String& text);
void glue_set_tooltip(Fl_Widget* widget, const String& text);
String glue_get_tooltip(Fl_Widget* widget);
void glue_set_label_font(Fl_Widget* widget, int font, int size);
int glue_get_label_font(Fl_Widget* widget);
// Underlines and/or strikes through the label's text (0 and 0: neither).
void glue_set_label_lines(Fl_Widget* widget, int underline, int strike);
int glue_get_label_size(Fl_Widget* widget);

// An RGB triple as an FLTK colour value: (r << 24) | (g << 16) | (b << 8),
// except black, which becomes FLCOLOR_BLACK (FLTK reads 0 as an index).
unsigned glue_rgb_color(int r, int g, int b);
// Background colour; the selection colour follows it (see glue_widgets.cpp).
// No redraw.
void glue_set_color(Fl_Widget* widget, int r, int g, int b);
void glue_set_label_color(Fl_Widget* widget, int r, int g, int b);
// A panel's background: the first colour also turns a frame-only box into
// a painted one.
void glue_set_panel_color(Fl_Widget* panel, int r, int g, int b);
unsigned glue_get_color(Fl_Widget* widget);
unsigned glue_get_selection_color(Fl_Widget* widget);
unsigned glue_get_label_color(Fl_Widget* widget);

void glue_widget_geometry(Fl_Widget* widget, int* x, int* y, int* w, int* h);
void glue_resize_widget(Fl_Widget* widget, int x, int y, int w, int h);
// Redraws the widget and its label; for a frame or box-less widget also
// the area of its window behind it.
void glue_redraw(Fl_Widget* widget);
// How many times glue_redraw has run since start-up.
int glue_redraw_count();
void glue_show_widget(Fl_Widget* widget, int flag);
// mode 1 shows, 0 hides, 2 iconifies a shown window.
void glue_show_window(Fl_Widget* window, int mode);
// FLTK's own visible flag of the widget.
int glue_widget_visible(Fl_Widget* widget);
void glue_activate_widget(Fl_Widget* widget, int flag);
int glue_widget_active(Fl_Widget* widget);
int glue_button_value(Fl_Widget* widget);
void glue_set_button_value(Fl_Widget* widget, int value);
void glue_set_shortcut(Fl_Widget* widget, int key);
int glue_get_shortcut(Fl_Widget* widget);
void glue_take_focus(Fl_Widget* widget);
void glue_group_add(Fl_Widget* group, Fl_Widget* widget);
void glue_group_remove(Fl_Widget* group, Fl_Widget* widget);
// Detaches the widget from its group now; FLTK deletes it at its next pass.
void glue_delete_widget(Fl_Widget* widget);
// Deletes the widget (and, for a group, its children) at once.
void glue_destroy_widget(Fl_Widget* widget);

// Window options.
void glue_window_no_border(Fl_Widget* window);
void glue_window_set_non_modal(Fl_Widget* window);
void glue_window_accept_files(Fl_Widget* window, int flag);
// Minimum and maximum size (0 = not set) as FLTK's size range.
void glue_window_min_size(Fl_Widget* window, int w, int h);
void glue_window_max_size(Fl_Widget* window, int w, int h);
// The X window id (an Xlib Window) of a shown window, else 0.
unsigned long glue_window_xid(Fl_Widget* window);
// The image an Fl_Panel draws at its top left inside its box (nullptr:
// none); not owned, it must outlive the panel or be replaced first.
void glue_panel_set_image(Fl_Widget* panel, Fl_Image* image);
// Marks an Fl_Panel as reporting mouse and key events to its callback.
void glue_panel_set_active(Fl_Widget* panel, int flag);
// Sets the mouse pointer of the first shown window (FLTK cursor number,
// foreground and background colour).
void glue_set_cursor(int cursor, unsigned fg, unsigned bg);

// Text fields (and the input of an editable combo box).
// Replaces the text and selects all of it (cursor at 0, mark at the end).
void glue_input_set_value(Fl_Widget* input, const String& text);
String glue_input_value(Fl_Widget* input);
void glue_input_select_all(Fl_Widget* input);

// --- The current FLTK event --------------------------------------------------
int glue_event_key();
int glue_event_state();
int glue_event_x();
int glue_event_y();
int glue_event_dy();
int glue_event_button();
int glue_event_clicks();
String glue_event_text();
Fl_Widget* glue_focus_widget();
// Whether the widget currently holds FLTK's pointer grab (Fl::pushed).
int glue_widget_pushed(Fl_Widget* widget);

// --- Screen and fonts ----------------------------------------------------------
void glue_screen_work_area(int* x, int* y, int* w, int* h);
int glue_font_count();
// FLTK's raw name of font `index` ("Bsans" under Xft); "" outside 0..count-1.
String glue_font_name(int index);
// FLTK's attributes of font `index`: 1 bold, 2 italic; 0 outside the table.
int glue_font_attributes(int index);
// The largest size FLTK lists for the font not above `size`; the smallest
// listed when all are above; `size` itself for scalable fonts or when none
// are listed or the index is outside the table.
int glue_nearest_font_size(int index, int size);

// --- List browsers (Fl_Hold_Browser, Fl_Multi_Browser); lines from 1 -----------
void glue_browser_insert(Fl_Widget* browser, int line, const String& text);
void glue_browser_set(Fl_Widget* browser, int line, const String& text);
void glue_browser_remove(Fl_Widget* browser, int line);
// The image drawn left of a line's text (nullptr: none); the caller keeps
// the image alive while the browser shows it.
void glue_browser_set_icon(Fl_Widget* browser, int line, Fl_Image* image);
Fl_Image* glue_browser_icon(Fl_Widget* browser, int line);
void glue_browser_clear(Fl_Widget* browser);
int glue_browser_size(Fl_Widget* browser);
void glue_browser_select(Fl_Widget* browser, int line, int flag);
int glue_browser_selected(Fl_Widget* browser, int line);
// The selected line of a single-selection browser (0: none); the current
// line of a multiple-selection one.
int glue_browser_value(Fl_Widget* browser);
String glue_browser_text(Fl_Widget* browser, int line);
void glue_browser_text_font(Fl_Widget* browser, int font, int size);
void glue_browser_text_color(Fl_Widget* browser, int r, int g, int b);

// --- Choices (Fl_Choice, and Fl_Input_Choice's menu); items from 0 -------------
void glue_choice_insert(Fl_Widget* choice, int index, const String& text);
void glue_choice_set(Fl_Widget* choice, int index, const String& text);
void glue_choice_remove(Fl_Widget* choice, int index);
void glue_choice_clear(Fl_Widget* choice);
int glue_choice_size(Fl_Widget* choice);
// The chosen item, -1 for none.
int glue_choice_value(Fl_Widget* choice);
// Chooses item `index` (-1: none); an editable combo box shows its text.
void glue_choice_set_value(Fl_Widget* choice, int index);
String glue_choice_text(Fl_Widget* choice, int index);

// --- Text areas (editor and read-only display) -----------------------------------
// Positions count characters from 0; an `end` of -1 means the end of the text.
// Called after every edit of a text area's buffer, by the user or the
// program: at character `pos`, `inserted` characters came in and `deleted`
// went out.
using GlueTextChanged = void (*)(int pos, int inserted, int deleted, void* user_data);
// 1 for a widget made as FLTK type 19 or 20, else 0.
int glue_is_text_area(Fl_Widget* widget);
void glue_text_set_changed(Fl_Widget* area, GlueTextChanged handler, void* user_data);
// Replaces characters start..end with `text`; new text takes the plain style.
void glue_text_replace(Fl_Widget* area, int start, int end, const String& text);
String glue_text_range(Fl_Widget* area, int start, int end);
int glue_text_length(Fl_Widget* area);
// Lines in the text: 1 for an empty text, one more per line feed.
int glue_text_line_count(Fl_Widget* area);
// The first character of line `line` (from 0); the length past the last line.
int glue_text_line_start(Fl_Widget* area, int line);
// The line (from 0) that holds character `pos`.
int glue_text_line_of(Fl_Widget* area, int pos);
int glue_text_cursor(Fl_Widget* area);
// The selected characters start..end; 0, 0 when nothing is selected.
void glue_text_selection(Fl_Widget* area, int* start, int* end);
// Selects start..end and puts the cursor at its end; with end <= start only
// the cursor moves (to start) and nothing stays selected.
void glue_text_select(Fl_Widget* area, int start, int end);
// Tab stops every `tabs` characters (values below 1 are refused).
void glue_text_set_tabs(Fl_Widget* area, int tabs);
int glue_text_tabs(Fl_Widget* area);
// Where character `pos` is drawn, relative to the widget's top left corner;
// returns 0 (and 0, 0) when it is scrolled out of sight.
int glue_text_position_xy(Fl_Widget* area, int pos, int* x, int* y);
// Gives characters start..end a colour and the flags bold (1), italic (2),
// underline (4) and strike-through (8).  Returns the style's
// index (0 is the plain style), 0 when nothing was styled.
int glue_text_style(Fl_Widget* area, int start, int end, int r, int g, int b, int flags);
// The style buffer: one letter per byte of text, 'A' + style index.
String glue_text_styles(Fl_Widget* area);
// The base font and size of all the area's styles (size 0 keeps the size).
void glue_text_font(Fl_Widget* area, int font, int size);
// The colour of the plain style.
void glue_text_color(Fl_Widget* area, int r, int g, int b);
void glue_text_wrap(Fl_Widget* area, int flag);
// 1 cut, 2 copy, 3 paste (cut and paste in an editor only).
void glue_text_clipboard(Fl_Widget* area, int operation);

// --- Sliders, scroll bars, progress bars -----------------------------------------
// Slider: bounds 0..total.  Scroll bar: positions 0..total - visible with a
// knob of visible / total of the trough.
void glue_valuator_range(Fl_Widget* valuator, int visible, int total);
void glue_valuator_set(Fl_Widget* valuator, double value);
double glue_valuator_value(Fl_Widget* valuator);
// A progress bar's value, 0..1.
void glue_progress_set(Fl_Widget* progress, float value);
float glue_progress_value(Fl_Widget* progress);

// --- Tab groups (Fl_Tabs); pages are its child groups, from 0 ---------------------
// Moves (or puts) `widget` to position `index` among the group's children.
void glue_group_insert(Fl_Widget* group, Fl_Widget* widget, int index);
// The page shown, -1 for none.
// The icon shown before a tab page's text on its tab (nullptr: none); the
// caller keeps the image alive while the tab shows it.
void glue_tab_set_icon(Fl_Widget* page, Fl_Image* image);
Fl_Image* glue_tab_icon(Fl_Widget* page);
int glue_tabs_value(Fl_Widget* tabs);
void glue_tabs_set_value(Fl_Widget* tabs, Fl_Widget* page);
// The page whose tab is under the pointer of the current event, else -1.
int glue_tabs_under_pointer(Fl_Widget* tabs);

// --- Menus ---------------------------------------------------------------------------
// One entry of a menu, in FLTK's order: a submenu's entry (GLUEMENU_SUBMENU)
// is followed by its entries and then an entry flagged GLUEMENU_END.
constexpr int GLUEMENU_CHECKABLE = 1;
constexpr int GLUEMENU_CHECKED = 2;
constexpr int GLUEMENU_INACTIVE = 4;
constexpr int GLUEMENU_DIVIDER = 8;  // a line below the entry
constexpr int GLUEMENU_SUBMENU = 16;
constexpr int GLUEMENU_END = 32;
struct GlueMenuEntry {
  String text;   // "&" marks the letter to underline
  int shortcut;  // FLTK key plus state bits, 0 for none
  int flags;     // GLUEMENU_*
  void* user_data;
};
// Replaces the menu bar's items; picking one calls `callback` with the
// bar and the entry's user data.
void glue_menubar_set(Fl_Widget* bar, const std::vector<GlueMenuEntry>& entries,
                      GlueCallback callback);
// Drops the menu bar's items (before the bar goes).
void glue_menubar_forget(Fl_Widget* bar);
// The bar's items in FLTK's order, submenu terminators included.
int glue_menubar_size(Fl_Widget* bar);
String glue_menubar_text(Fl_Widget* bar, int index);
int glue_menubar_flags(Fl_Widget* bar, int index);
int glue_menubar_shortcut(Fl_Widget* bar, int index);
// Shows the entries as a pop-up menu at the pointer of the current event
// and waits for a pick: the picked entry's user data, nullptr when none.
void* glue_menu_popup(const std::vector<GlueMenuEntry>& entries);

// --- Tree views (Fl_Tree); items are opaque pointers ------------------------------
// The hidden root item; its children are the top-level rows.
void* glue_tree_root(Fl_Widget* tree);
// A new child of `parent` at `index` (outside 0..children-1: at the end)
// carrying `user_data`; nullptr on failure.
void* glue_tree_insert(Fl_Widget* tree, void* parent, int index, const String& text,
                       void* user_data);
void glue_tree_set_label(Fl_Widget* tree, void* item, const String& text);
String glue_tree_label(void* item);
// The image drawn before an item's label (nullptr: none); the caller keeps
// the image alive while the tree shows it.
void glue_tree_set_icon(Fl_Widget* tree, void* item, Fl_Image* image);
Fl_Image* glue_tree_icon(void* item);
// Removes the item and its children (never the root).
void glue_tree_remove(Fl_Widget* tree, void* item);
// Selects only this item, without a callback.
void glue_tree_select(Fl_Widget* tree, void* item);
// Opens (1) or closes (0) the item, without a callback.
void glue_tree_open(Fl_Widget* tree, void* item, int flag);
int glue_tree_is_open(void* item);
// The user data of the first selected item, nullptr for none.
void* glue_tree_selected_data(Fl_Widget* tree);
// In the tree's callback: the item's user data and why (1 selected,
// 2 opened, 3 closed, 0 anything else).
void* glue_tree_callback_data(Fl_Widget* tree, int* reason);
// Where the item's row is drawn (label x, row top, row height) in window
// coordinates; returns whether it is shown.
int glue_tree_item_row(void* item, int* x, int* y, int* h);

// --- HTML view (Fl_Help_View) ---------------------------------------------------------
// Shows `html` (FLTK copies it), loading its images with relative names
// from `directory` ("" for none).
void glue_help_set_value(Fl_Widget* view, const String& html, const String& directory = String());
String glue_help_value(Fl_Widget* view);
// Scrolls to the named anchor, or to the top for "".
void glue_help_show_anchor(Fl_Widget* view, const String& anchor);
// The title of the page shown (its <title>), "" when it has none.
String glue_help_title(Fl_Widget* view);
// The height in pixels of the page shown as the view lays it out.
int glue_help_document_height(Fl_Widget* view);
// The link clicked since the last call, as FLTK resolved it (a relative
// link comes as "file:" + the working directory + "/" + the link), else "".
// Clicks on links are reported to the view's callback after FLTK's
// handling, never followed; the callback also runs when the view scrolls.
String glue_help_take_clicked_link(Fl_Widget* view);

// --- Images ----------------------------------------------------------------------
// Reads an image file with FLTK's loaders (PNG, JPEG, BMP, PNM; indexed formats
// such as XPM and GIF are refused).
// On success fills the size, the bytes per pixel (1 grey, 2 grey + alpha,
// 3 RGB, 4 RGBA) and the pixels, rows top to bottom without padding, and
// returns true.
bool glue_load_image(const String& path, int* w, int* h, int* depth, std::vector<uint8_t>* pixels);
// An FLTK RGB image over `pixels` (not copied: they must outlive it).
Fl_Image* glue_rgb_image(const uint8_t* pixels, int w, int h, int depth, int line_bytes);
void glue_delete_image(Fl_Image* image);

}  // namespace lexidor
