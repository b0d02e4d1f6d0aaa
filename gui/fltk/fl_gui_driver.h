// gui/fltk: the FLTK back end; the GUI and system drivers here, its parts in the rooms below.
//
// TFLTKGUIDriver: the GUI driver over FLTK 1.3.
//
// Made once by InitFLTKDriverModule when the console system driver has an
// X display: it wraps that driver in a TFLGuiSystemDriver (which becomes
// the active system driver), opens FLTK on the shared display, takes every
// X event through the console driver's raw-event hook, and becomes the
// active GUI driver.  It lives until the process ends.  Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/fltk/widget/fl_widget.h"
#include "gui/fltk/widget/fl_widget_host.h"
#include "gui/gadgets/gui_driver.h"

namespace lexidor {

class TFLTKGUIDriver : public TVexGUIDriver,
                       public TFLWidgetHost,
                       public std::enable_shared_from_this<TFLTKGUIDriver> {
 public:
  // Widgets waiting for a redraw, in the order they asked.
  std::vector<FLWidgetRef> RefreshList;
  // The default GUI font ("Helvetica" 12, or what stands in for it), given
  // to every new widget.
  FontRef defaultfont;

  // --- TVexGUIDriver ----------------------------------------------------------
  // Never nullptr: a face that is not installed falls back to its plain face
  // and then to FLTK font 0.
  FontRef LoadFont(const String& name, int size, int style) override;
  GadgetRef CreateGadget(int kind, const String& text, int x, int y, int w, int h,
                         const GadgetRef& group, int style) override;
  // Pumps the system driver once, then the gadget with FLTK's keyboard
  // focus, or nullptr.
  GadgetRef ActiveGadget() override;
  int RequestColor(int red, int green, int blue) override;
  FontRef RequestFont(const FontRef& font) override;
  void SetPointer(int shape) override;
  IconStripRef LoadIconStrip(const ObjectRef& source) override;
  FontRef LibraryFont(int kind, double size, int style) override;

  // --- Events (called by FLTK and the console driver) -------------------------
  // The console driver's raw-event hook: every X event goes to FLTK.
  // Returns 1 (consumed).
  static int XHandler(const void* xevent);
  // FLTK's global handler: hot keys on FL_SHORTCUT.
  static int EventHandler(int flevent);
  // The text widgets' key filter (user data: the TFLWidget); 0 swallows.
  static int KeyFilter(void* user_data);

  // --- TFLWidgetHost: the default font and the redraw queue ----------------------------
  FontRef DefaultWidgetFont() override { return defaultfont; }
  void RefreshWidget(const FLWidgetRef& widget) override;
  // Redraws every queued widget once and empties the queue.
  void RefreshWidgets();

  // --- Fonts ---------------------------------------------------------------------------
  // A TGuiFont for a handle: index bits 0..11, style 12..15, size 16..31.
  FontRef CreateFont(int handle);
  // The key of FLTK font `index` ("" past the end of the table).
  static String FontKey(int index);
};

// The key of a font from FLTK's name and attributes (1 bold, 2 italic).
// A name in the X core form ("-foundry-family-...") gives the style letter
// of the attributes (b, i, p for both, space for plain) followed by the
// family, '*' read as a space and leading spaces dropped; a name in FLTK's
// Xft form (a style letter ' ', 'B', 'I', 'P' and the family) gives the
// letter and the family, both lower-cased.  "" when no family is left.
String FontKeyOf(const String& name, int attributes);

// The FLTK cursor number for a pointer shape (1 arrow ... 14 help); 0, the
// default cursor, for any other shape.
int FlCursorForShape(int shape);

// Installs the FLTK driver when the console system driver (made first if
// need be) has an X display; otherwise leaves the console driver in place.
// Returns true when the FLTK driver is installed.  Idempotent: later calls
// return the first answer.
bool InitFLTKDriverModule();

// The FLTK driver, nullptr when it is not installed.
const std::shared_ptr<TFLTKGUIDriver>& FLTKDriver();

// The X class (WM_CLASS) and icon (a PNG image; none when `png_size` is 0)
// of every window shown from now on, so that the desktop can match them to
// the program's menu entry.  False, with the class set all the same, when the
// image cannot be read.
bool SetWindowIdentity(const String& xclass, const uint8_t* png, int png_size);

}  // namespace lexidor
