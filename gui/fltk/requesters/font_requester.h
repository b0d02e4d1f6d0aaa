// The font requester: a "Select Font" dialog built from gadgets (a list of
// families, a list of styles, a list of sizes, a sample and OK / Cancel),
// run in a nested event loop on the main thread.
//
// While a request runs, a hook at priority FONT_REQUEST_HOOK_PRIORITY in the
// emit-event chain takes every emitted event, hands it to the dialog and
// swallows it, so the application sees nothing until the dialog closes.
//
// Font handles: bits 0..11 the toolkit's font index, 12..15 the style bits,
// 16..31 the point size.  Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "gui/events/event.h"
#include "gui/gadgets/gadget.h"
#include "gui/gadgets/gui_driver.h"
#include "runtime/object.h"

namespace lexidor {

constexpr int FONT_REQUEST_HOOK_PRIORITY = 100000;
// Font indices the requester looks at: 0 .. FONT_REQUEST_MAX_FONTS - 1.
constexpr int FONT_REQUEST_MAX_FONTS = 4096;

// What the requester needs from the toolkit's font table.  The FLTK driver
// fills it from its own font functions; tests may use a made-up table.
struct TFontTable {
  // The font key of a font index: a style letter (' ', 'b', 'i', 'p')
  // followed by the lower-case family; "" past the end of the table.
  std::function<String(int index)> font_key;
  // The size nearest to `size` that the toolkit offers for `index`.
  std::function<int(int index, int size)> nearest_size;
  // A font object for a handle (the driver's CreateFont).
  std::function<FontRef(int handle)> create_font;
  // Receives notes about odd font keys; may be left empty.
  std::function<void(const String& text)> debug_log;
};

// One font family of the requester's list.
class TFLFont : public TObject {
 public:
  String name;
  // Toolkit font index + 1 of the regular, bold, italic and bold-italic
  // face; 0 where that face does not exist.
  int ids[4] = {0, 0, 0, 0};
  // The sizes offered, in the order they were first found.
  std::vector<int> sizes;

  // ids[style] when non-zero, else the first non-zero of ids[0..3], else 0.
  int GetHandle(int style) const;
  // <0, 0, >0 as this name sorts before, with or after other's name, both
  // compared after ASCII lower-casing.
  int Compare(const TFLFont& other) const;
};

using FLFontRef = std::shared_ptr<TFLFont>;

class TFontRequest : public TObject, public std::enable_shared_from_this<TFontRequest> {
 public:
  explicit TFontRequest(TFontTable font_table);

  TFontTable table;
  std::vector<FLFontRef> fontlist;  // families, in the order the table lists them
  FLFontRef font;                   // the current family
  int handle = 0;                   // the current font handle: the answer
  int defhandle = 0;                // the handle given to Request
  int family = 0;                   // index into fontlist
  int style = 0;                    // 0 regular, 1 bold, 2 italic, 3 bold italic
  int size = 0;                     // points; 0 = the family's first size
  GadgetRef window, fontbox, stylebox, sizebox, samplebox, ok, cancel;
  int open = 0;  // 1 while Request runs

  // The process's requester, made and initialised on the first call with
  // `font_table` (later calls ignore the argument); never nullptr.  Raises
  // TRuntimeException when the GUI driver cannot make the dialog's window
  // (the next call tries again).
  static std::shared_ptr<TFontRequest> Create(const TFontTable& font_table);

  // Builds the hidden dialog through the active GUI driver and fills the
  // font list from the table.  Raises TRuntimeException when the driver
  // makes no window.
  void Initialize();
  // Fills fontlist from the table (part of Initialize; no gadgets needed).
  void ReadFontTable();

  // Shows the dialog near the application's active window, preset to `h`
  // (0: the last choice, the first family at first), and waits in the
  // system driver until it is closed.  Returns the handle of the shown
  // sample on OK, 0 on Cancel, `h` when the window is closed.  Raises
  // TRuntimeException when called from inside the system driver's own event
  // handling, where waiting is impossible.
  int Request(int h);

  void SelectFont(int h);
  // The position of the first family with a face of toolkit index `i`; 0
  // when none has it.
  int LocateFont(int i) const;
  // Shows `family`, `style` and the family's sizes, then Refresh().
  void RefreshFont();
  // Works out `handle` and shows the sample in it.  Raises TRuntimeException
  // "FLTK TFontRequester null handle:(" for a family without any face.
  void Refresh();
  void OnEvent(const EventRef& event);

  // The emit-event hook of a running request: context is the requester.
  static ObjectRef RequestHandler(int id, const ObjectRef& data, const ObjectRef& context);
};

// The FLTK driver's font request: the requester preset to `font` (nullptr:
// no preset).  nullptr when cancelled; `font` itself when the dialog is
// closed without a choice or the choice is its handle; otherwise
// table.create_font of the chosen handle.
FontRef RequestFontDialog(const FontRef& font, const TFontTable& table);

}  // namespace lexidor
