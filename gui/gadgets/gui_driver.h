// The GUI driver interface and the small value types beside it: fonts and
// icon strips.
//
// One driver is active at a time (ActiveGuiDriver); every gadget is made by
// its CreateGadget and every global gadget function (gadget_functions.h)
// goes through it.  The base TVexGUIDriver makes nothing: its driver
// operations return nullptr or 0, so a program without a GUI back end gets
// null gadgets rather than a crash.  Main thread only.
#pragma once

#include <memory>

#include "gui/gadgets/gadget.h"
#include "runtime/object.h"

namespace lexidor {

// A loaded font.  `handle` packs the toolkit's font index (bits 0..11), the
// style bits (12..15: FONT_BOLD, FONT_ITALIC, FONT_UNDERLINE,
// FONT_STRIKETHROUGH) and the point size (16..31).
class TGuiFont : public TObject {
 public:
  String name;
  String path;
  int style = 0;
  double size = 0;
  int handle = 0;
};

// A strip of square icons side by side, each as wide as the strip is high.
// The strip image is the graphics layer's pixmap, opaque to the core; a
// driver's subclass knows how to copy and cut it.
class TIconStrip : public TObject {
 public:
  ObjectRef pixmap;  // nullptr in a new strip
  int count = 0;     // number of icons

  // nullptr for an index at or above `count`; a copy of the whole strip for
  // a negative index; otherwise the square of the icon at `index`.
  ObjectRef ExtractIconPixmap(int index);

 protected:
  // The pixmap work, for a driver that has pixmaps.  The base strip has no
  // image layer to copy with and returns nullptr from both.
  virtual ObjectRef CopyStripPixmap();
  virtual ObjectRef CutIconPixmap(int index);  // 0 <= index < count
};

class TVexGUIDriver {
 public:
  virtual ~TVexGUIDriver() = default;

  // --- The driver's own operations (base: nullptr / 0 / nothing) ----------
  // A font by face name, point size and style bits; nullptr when none.
  virtual FontRef LoadFont(const String& name, int size, int style);
  // A new gadget of the driver's own TGadget subclass, or nullptr when it
  // cannot make one.  The gadget has xpos, ypos, width, height and style
  // from the arguments, is linked into `group` (nullptr: top level) with
  // _setparent and has its layout locked.
  virtual GadgetRef CreateGadget(int kind, const String& text, int x, int y, int w, int h,
                                 const GadgetRef& group, int style);
  // The gadget with the keyboard focus, or nullptr.
  virtual GadgetRef ActiveGadget();
  // The colour chosen by the user as 0xAARRGGBB (non-zero), or 0 when the
  // request was cancelled.
  virtual int RequestColor(int red, int green, int blue);
  // The font chosen by the user, or nullptr when cancelled.
  virtual FontRef RequestFont(const FontRef& font);
  virtual void SetPointer(int shape);
  // An icon strip made from `source` (a pixmap or something the driver can
  // load one from), or nullptr.
  virtual IconStripRef LoadIconStrip(const ObjectRef& source);

  // --- Implemented here -------------------------------------------------
  // A library face by kind: 2 "Lucida", 4 "FreeSerif", 5 "TSCu_Comic", any
  // other "FreeSans"; a size not above 0 becomes 12.
  virtual FontRef LibraryFont(int kind, double size, int style);
  // LoadFont with the size rounded (add 0.5, truncate).
  virtual FontRef LoadFontWithDouble(const String& name, double size, int style);
};

using GuiDriverRef = std::shared_ptr<TVexGUIDriver>;

// The driver in use; nullptr until one is installed.  Drivers are made once
// at start-up and live until exit.
const GuiDriverRef& ActiveGuiDriver();
void SetActiveGuiDriver(GuiDriverRef driver);

}  // namespace lexidor
