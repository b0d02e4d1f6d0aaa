// The "Select Font" dialog.  See font_requester.h.
#include "gui/fltk/requesters/font_requester.h"

#include <algorithm>

#include "gui/events/event_queue.h"
#include "gui/events/hooks.h"
#include "gui/events/system_driver.h"
#include "gui/gadgets/gadget_functions.h"
#include "runtime/exceptions.h"

namespace lexidor {

namespace {

const char16_t* const kStyleNames[] = {u"Regular", u"Bold", u"Italic", u"Bold Italic"};
constexpr int kWindowStyle =
    WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS | WINDOW_HIDDEN | WINDOW_CENTER;  // 609
constexpr int kSampleStyle = LABEL_CENTER | LABEL_SUNKENFRAME;              // 18
constexpr int kSmallestSize = 6;
constexpr int kLargestSize = 72;

std::shared_ptr<TFontRequest>& Instance() {
  static std::shared_ptr<TFontRequest> instance;
  return instance;
}

}  // namespace

// --- TFLFont ------------------------------------------------------------------

int TFLFont::GetHandle(int face) const {
  if (face >= 0 && face < 4 && ids[face] != 0) return ids[face];
  for (int id : ids) {
    if (id != 0) return id;
  }
  return 0;
}

int TFLFont::Compare(const TFLFont& other) const {
  const String a = AsciiLower(name);
  const String b = AsciiLower(other.name);
  return a < b ? -1 : (b < a ? 1 : 0);
}

// --- TFontRequest ---------------------------------------------------------------

TFontRequest::TFontRequest(TFontTable font_table) : table(std::move(font_table)) {}

std::shared_ptr<TFontRequest> TFontRequest::Create(const TFontTable& font_table) {
  std::shared_ptr<TFontRequest>& instance = Instance();
  if (!instance) {
    auto request = std::make_shared<TFontRequest>(font_table);
    request->Initialize();
    instance = request;  // kept only once the dialog exists
  }
  return instance;
}

void TFontRequest::Initialize() {
  window = NewWindow(u"Select Font", 0, 0, 392, 284, nullptr, kWindowStyle);
  if (!window) throw TRuntimeException(u"The font requester's window could not be made");
  const int h = GadgetClientHeight(window);
  const int w = GadgetClientWidth(window);

  NewLabel(u"Font Face", 4, 4, 200, 24, window, 0);
  fontbox = NewListBox(4, 28, 200, h - 134, window, 0);
  NewLabel(u"Style", 214, 4, 100, 24, window, 0);
  stylebox = NewListBox(214, 28, 100, h - 134, window, 0);
  for (const char16_t* name : kStyleNames) AddGadgetItem(stylebox, name);
  NewLabel(u"Size", 324, 4, 64, 24, window, 0);
  sizebox = NewListBox(324, 28, 64, h - 134, window, 0);
  samplebox = NewLabel(u"Sample Text", 4, h - 102, w - 8, 64, window, kSampleStyle);
  cancel = NewButton(u"Cancel", 4, h - 30, 80, 26, window, BUTTON_CANCEL);
  ok = NewButton(u"OK", w - 84, h - 30, 80, 26, window, BUTTON_OK);

  ReadFontTable();
  for (const FLFontRef& family_font : fontlist) AddGadgetItem(fontbox, family_font->name);
}

void TFontRequest::ReadFontTable() {
  fontlist.clear();
  if (!table.font_key) return;
  for (int j = 0; j < FONT_REQUEST_MAX_FONTS; ++j) {
    const String key = table.font_key(j);
    if (key.empty()) break;
    const String name = key.substr(1);
    FLFontRef family_font;
    for (const FLFontRef& known : fontlist) {
      if (known->name == name) {
        family_font = known;
        break;
      }
    }
    if (!family_font) {
      family_font = std::make_shared<TFLFont>();
      family_font->name = name;
      fontlist.push_back(family_font);
    }
    const String letter = AsciiLower(key.substr(0, 1));
    if (letter == u"p") {
      family_font->ids[3] = j + 1;
    } else if (letter == u"b") {
      family_font->ids[1] = j + 1;
    } else if (letter == u"i") {
      family_font->ids[2] = j + 1;
    } else if (letter == u" ") {
      family_font->ids[0] = j + 1;
    } else if (table.debug_log) {
      table.debug_log(u"fltk fontrequest:unknown font subscript " + letter);
    }
    if (!table.nearest_size) continue;
    for (int k = kSmallestSize; k <= kLargestSize; ++k) {
      const int offered = table.nearest_size(j, k);
      std::vector<int>& sizes = family_font->sizes;
      if (std::find(sizes.begin(), sizes.end(), offered) == sizes.end()) sizes.push_back(offered);
    }
  }
}

int TFontRequest::Request(int h) {
  // Waiting needs the system driver; inside one of its own handlers it would
  // return at once and the dialog could never be answered.
  if (SystemCallBusy()) {
    throw TRuntimeException(u"The font requester cannot be opened while system events are handled");
  }
  std::shared_ptr<TFontRequest> self = shared_from_this();
  defhandle = h;
  open = 1;
  InsertHook(EventHookId(), RequestHandler, self, FONT_REQUEST_HOOK_PRIORITY);

  // Whatever ends the wait -- an answer or an exception -- the hook goes and
  // the window is hidden, so the application gets its events back.
  struct Closer {
    TFontRequest* request;
    ~Closer() {
      request->open = 0;
      DeleteHook(EventHookId(), RequestHandler, request->shared_from_this());
      if (request->window) HideGadget(request->window);
    }
  } closer{this};

  GadgetRef anchor = ActiveGadget();
  while (anchor && GadgetClass(anchor) != KIND_WINDOW) anchor = GadgetGroup(anchor);
  if (!anchor) anchor = DesktopGadget();
  const int x = anchor ? GadgetX(anchor) + 50 : 50;
  const int y = anchor ? GadgetY(anchor) + 50 : 50;
  SetGadgetShape(window, x, y, GadgetClientWidth(window), GadgetClientHeight(window));
  ShowGadget(window);

  if (h != 0) {
    SelectFont(h);
  } else if (!fontlist.empty()) {
    // Show the last choice (the first family at first) so that OK answers
    // with the font the sample shows.
    RefreshFont();
  }
  while (open == 1) BlockForSystemEvents();
  return handle;
}

void TFontRequest::SelectFont(int h) {
  family = LocateFont(h & 0xfff);
  style = (h >> 12) & 0xf;
  size = static_cast<int>(static_cast<unsigned int>(h) >> 16);
  RefreshFont();
}

int TFontRequest::LocateFont(int i) const {
  for (size_t n = 0; n < fontlist.size(); ++n) {
    for (int id : fontlist[n]->ids) {
      if (id == i + 1) return static_cast<int>(n);
    }
  }
  return 0;
}

void TFontRequest::RefreshFont() {
  if (family >= 0 && family < static_cast<int>(fontlist.size())) {
    SelectGadgetItem(fontbox, family);
  }
  SelectGadgetItem(stylebox, style & 3);
  font = family >= 0 && family < static_cast<int>(fontlist.size()) ? fontlist[family] : nullptr;
  ClearGadgetItems(sizebox);
  if (font) {
    for (int s : font->sizes) {
      AddGadgetItem(sizebox, IntToString(s), String(), -1, nullptr,
                    s == size ? ITEMFLAG_SELECTED : 0);
    }
  }
  Refresh();
}

void TFontRequest::Refresh() {
  font = family >= 0 && family < static_cast<int>(fontlist.size()) ? fontlist[family] : nullptr;
  // The style list has four faces; style bits beyond them (underline,
  // strike-through) have no face of their own.
  const int i = font ? font->GetHandle(style & 3) : 0;
  if (i < 1) throw TRuntimeException(u"FLTK TFontRequester null handle:(");
  int s = size;
  if (s == 0 && !font->sizes.empty()) s = font->sizes.front();
  handle = (i - 1) | (style & 0xf) << 12 | s << 16;
  if (table.create_font) SetGadgetFont(samplebox, table.create_font(handle));
}

void TFontRequest::OnEvent(const EventRef& event) {
  if (!event) return;
  const TObject* source = event->source.get();
  if (event->id == EVENT_GADGETACTION || event->id == EVENT_GADGETSELECT) {
    const int d = event->data;
    if (source == cancel.get()) {
      handle = 0;
      open = 0;
    } else if (source == ok.get()) {
      open = 0;
    } else if (d == -1) {
      // No item: the value stays as it is.
    } else if (source == fontbox.get()) {
      if (d >= 0 && d < static_cast<int>(fontlist.size())) {
        family = d;
        RefreshFont();
      }
    } else if (source == stylebox.get()) {
      if (d >= 0 && d < 4) {
        style = d;
        Refresh();
      }
    } else if (source == sizebox.get()) {
      if (d >= 0 && d < CountGadgetItems(sizebox)) {
        size = StringToInt(GadgetItemText(sizebox, d));
        Refresh();
      }
    }
  } else if (event->id == EVENT_WINDOWCLOSE && source == window.get()) {
    handle = defhandle;
    open = 0;
  }
}

ObjectRef TFontRequest::RequestHandler(int, const ObjectRef& data, const ObjectRef& context) {
  auto request = std::dynamic_pointer_cast<TFontRequest>(context);
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  if (request) request->OnEvent(event);
  return nullptr;
}

FontRef RequestFontDialog(const FontRef& font, const TFontTable& table) {
  std::shared_ptr<TFontRequest> request = TFontRequest::Create(table);
  const int h = request->Request(font ? font->handle : 0);
  if (h == 0) return nullptr;
  if (font && h == font->handle) return font;
  return table.create_font ? table.create_font(h) : nullptr;
}

}  // namespace lexidor
