// TFLTKGUIDriver: start-up, gadget creation, the redraw queue, the pointer,
// requests and the event entry points.  Fonts are in fl_fonts.cpp, icon
// strips in fl_icon_strip.cpp.
#include "gui/fltk/fl_gui_driver.h"

#include "gui/events/event_queue.h"
#include "gui/fltk/fl_system_driver.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/hot_keys.h"
#include "gui/fltk/requesters/font_requester.h"
#include "gui/fltk/requesters/requesters.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_keys.h"
#include "gui/gadgets/gadget_types.h"
#include "gui/system/linux_system_driver.h"
#include "runtime/exceptions.h"

namespace lexidor {

namespace {

std::shared_ptr<TFLTKGUIDriver>& DriverSlot() {
  static std::shared_ptr<TFLTKGUIDriver> driver;
  return driver;
}

bool driver_module_done = false;
bool driver_installed = false;

// The FLTK type for a gadget kind and its style bits; -1 for the kinds made
// otherwise (desktop, menu item) or not at all (tree node).
int FlTypeFor(int kind, int style) {
  switch (kind) {
    case KIND_WINDOW:
      return FLTYPE_WINDOW;
    case KIND_BUTTON:
      switch (style & BUTTON_TYPE_MASK) {
        case BUTTON_CHECKBOX:
          return (style & BUTTON_PUSHSTYLE) ? FLTYPE_TOGGLE : FLTYPE_CHECKBOX;
        case BUTTON_RADIO:
          return (style & BUTTON_PUSHSTYLE) ? FLTYPE_TOGGLERADIO : FLTYPE_RADIO;
        case BUTTON_OK:
          return FLTYPE_RETURNBUTTON;
        default:
          return FLTYPE_BUTTON;
      }
    case KIND_PANEL:
      return (style & PANEL_GROUP) ? FLTYPE_GROUPPANEL : FLTYPE_PANEL;
    case KIND_TEXTFIELD:
      return style ? FLTYPE_SECRETINPUT : FLTYPE_INPUT;
    case KIND_TEXTAREA:
      return (style & TEXTAREA_READONLY) ? FLTYPE_TEXTDISPLAY : FLTYPE_TEXTEDITOR;
    case KIND_COMBOBOX:
      return (style & COMBOBOX_EDITABLE) ? FLTYPE_INPUTCHOICE : FLTYPE_CHOICE;
    case KIND_LISTBOX:
      return (style & LISTBOX_MULTISELECT) ? FLTYPE_MULTIBROWSER : FLTYPE_HOLDBROWSER;
    case KIND_TOOLBAR:
      return FLTYPE_TOOLBAR;
    case KIND_TABBER:
      return FLTYPE_TABS;
    case KIND_TREEVIEW:
      return FLTYPE_TREE;
    case KIND_HTMLVIEW:
      return FLTYPE_HELPVIEW;
    case KIND_LABEL:
      return FLTYPE_BOX;
    case KIND_SLIDER:
      return (style & SLIDER_TRACKBAR) ? FLTYPE_SLIDER : FLTYPE_SCROLLBAR;
    case KIND_PROGRESSBAR:
      return FLTYPE_PROGRESS;
    case KIND_CANVAS:
      return FLTYPE_CANVAS;
    default:
      return FLTYPE_WINDOW;
  }
}

// The font table the font requester reads.
TFontTable RequesterFontTable(TFLTKGUIDriver* driver) {
  TFontTable table;
  table.font_key = [](int index) { return TFLTKGUIDriver::FontKey(index); };
  table.nearest_size = [](int index, int size) { return glue_nearest_font_size(index, size); };
  table.create_font = [driver](int handle) { return driver->CreateFont(handle); };
  return table;
}

}  // namespace

// --- Start-up ----------------------------------------------------------------------

bool InitFLTKDriverModule() {
  if (driver_module_done) return driver_installed;
  driver_module_done = true;
  InitSystemModule();
  const std::shared_ptr<TLinuxSystemDriver>& console = ConsoleSystemDriver();
  if (!console || !console->XDisplay()) return false;  // no X server: the console stays

  auto driver = std::make_shared<TFLTKGUIDriver>();
  DriverSlot() = driver;
  SetFLWidgetHost(driver);
  // In this order: the redraw queue (empty), the wrapping system driver,
  // FLTK on the shared display, the raw-event hook, the GUI driver slot,
  // the default font.
  driver->RefreshList.clear();
  SetActiveSystemDriver(TFLGuiSystemDriver::Create(driver.get()));
  glue_init_fltk(console->XDisplay(), TFLTKGUIDriver::EventHandler, TFLTKGUIDriver::KeyFilter);
  console->SetRawEventHook(TFLTKGUIDriver::XHandler);
  // A callback posted from another thread wakes FLTK's wait as it wakes
  // the console driver's; it runs at the poll after the wait.
  glue_watch_descriptor(
      console->WakeDescriptor(),
      [](void*) {
        if (const auto& native = ConsoleSystemDriver()) native->DrainWake();
      },
      nullptr);
  SetActiveGuiDriver(driver);
  driver->defaultfont = driver->LoadFont(u"Helvetica", 12, 0);
  driver_installed = true;
  return true;
}

const std::shared_ptr<TFLTKGUIDriver>& FLTKDriver() { return DriverSlot(); }

bool SetWindowIdentity(const String& xclass, const uint8_t* png, int png_size) {
  // FLTK keeps the pointer: the class name lives as long as the process.
  static std::string name;
  name = ToUtf8(xclass);
  return glue_set_window_identity(name.c_str(), png, png_size);
}

// --- Gadgets --------------------------------------------------------------------------

GadgetRef TFLTKGUIDriver::CreateGadget(int kind, const String& text, int x, int y, int w, int h,
                                       const GadgetRef& group, int style) {
  if (kind == KIND_DESKTOP) return TFLWidget::CreateDesktop();
  auto* parent = dynamic_cast<TFLWidget*>(group.get());
  if (kind == KIND_MENUITEM) return TFLWidget::CreateMenu(text, style, parent);
  if (kind == KIND_TREENODE) throw TThrownText(u"flerror");  // nodes come from InsertNode

  const int fltype = FlTypeFor(kind, style);
  // Gadgets made in a tabber go onto its page shown at the time.
  if (parent && parent->fltype == FLTYPE_TABS && parent->tabgroup && fltype != FLTYPE_WINDOW) {
    parent = parent->tabgroup.get();
  }
  if (parent && parent->fltype == FLTYPE_WINDOW && fltype != FLTYPE_WINDOW && parent->client) {
    parent = parent->client.get();
  }
  FLWidgetRef widget = TFLWidget::Create(parent, x, y, w, h, text, fltype, style);
  widget->gadclass = kind;
  if (kind == KIND_BUTTON && (style & BUTTON_TYPE_MASK) == BUTTON_CANCEL) {
    glue_set_shortcut(widget->flhandle, FLKEY_ESCAPE);
  }
  return widget;
}

GadgetRef TFLTKGUIDriver::ActiveGadget() {
  PumpSystemEvents();
  auto* widget = static_cast<TFLWidget*>(glue_owner_data(glue_focus_widget()));
  return widget ? widget->Self() : nullptr;
}

// --- Requests, pointer, icon strips ------------------------------------------------

int TFLTKGUIDriver::RequestColor(int red, int green, int blue) {
  return FLRequestColor(red, green, blue);
}

FontRef TFLTKGUIDriver::RequestFont(const FontRef& font) {
  return RequestFontDialog(font, RequesterFontTable(this));
}

int FlCursorForShape(int shape) {
  switch (shape) {
    case 1:
      return 35;  // arrow
    case 2:
      return 77;  // insert
    case 3:
      return 76;  // wait
    case 4:
      return 66;  // cross
    case 5:
    case 12:
      return 31;  // hand
    case 6:
      return 80;  // NW-SE
    case 7:
      return 81;  // NE-SW
    case 8:
      return 79;  // W-E
    case 9:
      return 78;  // N-S
    case 10:
      return 27;  // move
    case 14:
      return 47;  // help
    default:
      return 0;  // default
  }
}

void TFLTKGUIDriver::SetPointer(int shape) { glue_set_cursor(FlCursorForShape(shape), 56, 255); }

IconStripRef TFLTKGUIDriver::LoadIconStrip(const ObjectRef& source) {
  return TFLIconStrip::Create(source);
}

// --- Redraw queue ------------------------------------------------------------------

void TFLTKGUIDriver::RefreshWidget(const FLWidgetRef& widget) {
  if (widget) RefreshList.push_back(widget);
}

void TFLTKGUIDriver::RefreshWidgets() {
  // Taken out first: a redraw must not see, or add to, the list it walks.
  std::vector<FLWidgetRef> queued;
  queued.swap(RefreshList);
  for (const FLWidgetRef& widget : queued) {
    glue_redraw(widget->flhandle);
    widget->dirty = 0;
  }
}

// --- Events ----------------------------------------------------------------------------

int TFLTKGUIDriver::XHandler(const void* xevent) {
  // The event first, then FLTK's pass: the pass may read and handle X
  // events that came after this one, which must not overtake it.
  glue_handle_xevent(xevent);
  glue_check();
  return 1;
}

int TFLTKGUIDriver::EventHandler(int flevent) {
  if (flevent != FLEVENT_SHORTCUT) return 0;
  const int key = HotKeyFromFlConst(glue_event_key());
  const int mods = ModifiersFromFlState(glue_event_state());
  EventRef event = FindHotKey(key, mods, TFLWidget::WidgetId(glue_focus_widget()));
  if (!event) return 0;
  DispatchEvent(event);
  return 1;
}

int TFLTKGUIDriver::KeyFilter(void* user_data) {
  const int flkey = glue_event_key();
  // The right Control key never reaches a text widget.
  if (flkey == FLKEY_CONTROL_R) return 0;
  auto* widget = static_cast<TFLWidget*>(user_data);
  if (!widget || !widget->eventfilter) return 1;
  GadgetRef keep = widget->Self();
  const int key = VorkelKeyFromFlConst(flkey);
  String text = glue_event_text();
  const int mods = ModifiersFromFlState(glue_event_state());
  if (key != 0) {
    EventRef down = MakeEvent(EVENT_KEYDOWN, keep, key, mods);
    if (!widget->eventfilter(down, widget->context)) return 0;
    if (text.empty() && key == 9) text.assign(1, u'\t');
  }
  for (char16_t c : text) {
    EventRef typed = MakeEvent(EVENT_KEYCHAR, keep, c, mods);
    if (!widget->eventfilter || !widget->eventfilter(typed, widget->context)) return 0;
  }
  return 1;
}

}  // namespace lexidor
