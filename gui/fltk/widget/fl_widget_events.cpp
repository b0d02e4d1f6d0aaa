// TFLWidget: from FLTK callbacks to the program's events.
//
// Every FLTK widget of the driver has Handler as its callback; OnCallback
// reads why FLTK called (the callback reason) and posts the matching events
// through RaiseGadgetEvent.
#include <memory>

#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_keys.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"

namespace lexidor {

namespace {

// FLTK's mouse-button state bits.
constexpr int FLSTATE_BUTTON1 = 0x01000000;
constexpr int FLSTATE_BUTTON2 = 0x02000000;
constexpr int FLSTATE_BUTTON3 = 0x04000000;

// What the event translation remembers between callbacks.  The references
// keep their gadgets alive until replaced.
struct EventState {
  GadgetRef active_window;  // the window last reported by "WindowActivate"
  GadgetRef under_mouse;    // the panel the pointer was last reported in
  int mouse_x = 0, mouse_y = 0;
  int last_key = 0;  // the key last reported by "KeyDown" or "KeyRepeat"
  int painting = 0;  // 1 while "GadgetPaint" is emitted
};

EventState& Events() {
  static EventState state;
  return state;
}

// FLTK's button numbers as the program's: 1 left, 2 right, 3 middle.
int ProgramButton(int flbutton) {
  switch (flbutton) {
    case 1:
      return 1;
    case 3:
      return 2;
    case 2:
      return 3;
    default:
      return 0;
  }
}

// The program's button of a drag, from FLTK's button state: middle before
// right before left; 0 when none is held.
int DragButton(int flstate) {
  if (flstate & FLSTATE_BUTTON2) return 3;
  if (flstate & FLSTATE_BUTTON3) return 2;
  if (flstate & FLSTATE_BUTTON1) return 1;
  return 0;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void Post(int id, const GadgetRef& gadget, int data = 0, int mods = 0, int x = 0, int y = 0,
          ObjectRef extra = nullptr) {
  RaiseGadgetEvent(id, gadget, data, mods, x, y, std::move(extra));
}

}  // namespace

void TFLWidget::Handler(Fl_Widget*, void* user_data) {
  auto* widget = static_cast<TFLWidget*>(user_data);
  if (!widget) return;
  GadgetRef keep = widget->Self();  // the callback may release it
  if (!keep) return;
  widget->OnCallback();
}

void TFLWidget::OnCallback() {
  // A canvas is a window of its own: FLTK's coordinates are its own.
  const int mx = fltype == FLTYPE_CANVAS ? glue_event_x() : glue_event_x() - (ClientX() + xpos);
  const int my = fltype == FLTYPE_CANVAS ? glue_event_y() : glue_event_y() - (ClientY() + ypos);
  const int reason = glue_callback_reason();
  GadgetRef self = Self();

  switch (fltype) {
    case FLTYPE_WINDOW:
      WindowCallback(reason);
      break;

    case FLTYPE_BUTTON:
    case FLTYPE_RETURNBUTTON:
      Post(EVENT_GADGETACTION, self, tag, 0, mx, my);
      break;

    case FLTYPE_CHECKBOX:
    case FLTYPE_TOGGLE:
      Post(EVENT_GADGETACTION, self, tag);
      break;

    case FLTYPE_RADIO:
    case FLTYPE_TOGGLERADIO:
      SetSelected(16);  // the click leaves this one on and the others off
      Post(EVENT_GADGETACTION, self, tag);
      break;

    case FLTYPE_MENU:
      MenuPicked(nullptr);
      break;

    case FLTYPE_HOLDBROWSER:
    case FLTYPE_MULTIBROWSER:
    case FLTYPE_CHOICE:
      ListCallback(mx, my);
      break;

    case FLTYPE_INPUT:
    case FLTYPE_INPUTCHOICE:
      InputCallback(reason);
      break;

    case FLTYPE_HELPVIEW:
      RequestURL();
      break;

    case FLTYPE_TREE:
      TreeviewCallback();
      break;

    case FLTYPE_TABS:
      TabsCallback(reason, mx, my);
      break;

    case FLTYPE_TEXTEDITOR:
    case FLTYPE_TEXTDISPLAY:
      TextAreaCallback(reason, mx, my);
      break;

    case FLTYPE_SLIDER:
    case FLTYPE_SCROLLBAR:
      Post(EVENT_GADGETACTION, self, static_cast<int>(glue_valuator_value(flhandle)));
      break;

    case FLTYPE_PANEL:
    case FLTYPE_GROUPPANEL:
    case FLTYPE_CANVAS:
      if (auto* bar = dynamic_cast<TFLWidget*>(parent); bar && bar->fltype == FLTYPE_TOOLBAR) {
        ToolEvent(reason, mx, my);
      } else {
        PanelCallback(reason, mx, my);
      }
      break;

    default:
      break;  // the other widget families post nothing here
  }
}

ObjectRef TFLWidget::ItemExtra(int index) const {
  return index >= 0 && index < static_cast<int>(items.size()) ? items[index].extra : nullptr;
}

void TFLWidget::WindowCallback(int reason) {
  GadgetRef self = Self();
  EventState& state = Events();
  if (reason == FLEVENT_CLOSE) {
    Post(EVENT_WINDOWCLOSE, self);
  } else if (reason == FLEVENT_FOCUS || reason == FLEVENT_ACTIVATE) {
    if (state.active_window != self) {
      state.active_window = self;
      Post(EVENT_WINDOWACTIVATE, self);
    }
  } else if (reason == FLEVENT_PASTE) {
    DropFiles();
  } else {
    int x, y, w, h;
    glue_widget_geometry(flhandle, &x, &y, &w, &h);
    const bool moved = x != xpos || y != ypos;
    const bool sized = w != width || h != height;
    SetRect(x, y, w, h);
    if (sized) RethinkWindow();
    if (moved) Post(EVENT_WINDOWMOVE, self, 0, 0, x, y);
    if (sized) Post(EVENT_WINDOWSIZE, self, 0, 0, w, h);
  }
}

void TFLWidget::ListCallback(int mx, int my) {
  GadgetRef self = Self();
  if (fltype == FLTYPE_HOLDBROWSER) {
    const int i = glue_browser_value(flhandle) - 1;
    ObjectRef extra = ItemExtra(i);
    if (i != current) {
      Post(EVENT_GADGETSELECT, self, i, 0, 0, 0, extra);
      current = i;
    }
    if (glue_event_button() == 3) {
      Post(EVENT_GADGETMENU, self, i, 0, mx, my, extra);
    } else if (glue_event_button() == 1 && (glue_event_clicks() & 1) && i >= 0) {
      Post(EVENT_GADGETACTION, self, i, 0, 0, 0, extra);
    }
  } else if (fltype == FLTYPE_MULTIBROWSER) {
    const int changed = SelectionChanged();
    const int line = glue_browser_value(flhandle) - 1;
    if (changed >= 0) {
      Post(EVENT_GADGETSELECT, self, changed, 0, 0, 0, ItemExtra(changed));
    } else if (glue_event_button() == 1 && (glue_event_clicks() & 1) && line >= 0) {
      Post(EVENT_GADGETACTION, self, line, 0, 0, 0, ItemExtra(line));
    }
    if (glue_event_button() == 3) Post(EVENT_GADGETMENU, self, line, 0, mx, my, ItemExtra(line));
  } else {
    // A pick from a combo box's list is its action.
    const int i = glue_choice_value(flhandle);
    current = i;
    Post(EVENT_GADGETACTION, self, i, 0, 0, 0, ItemExtra(i));
  }
}

void TFLWidget::InputCallback(int reason) {
  GadgetRef self = Self();
  if (reason == FLEVENT_KEYDOWN) {
    if (!glue_event_text().empty()) {
      if (fltype == FLTYPE_INPUTCHOICE) _lastchoice = -1;
      Post(EVENT_GADGETACTION, self, _lastchoice);
    }
  } else if (reason == FLEVENT_UNFOCUS) {
    Post(EVENT_GADGETLOSTFOCUS, self);
  } else if (fltype == FLTYPE_INPUTCHOICE) {
    // A pick from the drop-down list.
    _lastchoice = glue_choice_value(flhandle);
    current = _lastchoice;
    Post(EVENT_GADGETACTION, self, _lastchoice, 0, 0, 0, ItemExtra(_lastchoice));
  }
}

void TFLWidget::TabsCallback(int reason, int mx, int my) {
  if (tabitems == 0) return;
  GadgetRef self = Self();
  const int shown = glue_tabs_value(flhandle);
  if (shown >= 0 && shown < tabitems && shown != tabselected) {
    SelectTab(shown);
    Post(EVENT_GADGETACTION, self, shown, 0, 0, 0, ItemExtra(shown));
  }
  if (reason == FLEVENT_PUSH && glue_event_button() == 3) {
    const int under = glue_tabs_under_pointer(flhandle);
    if (under >= 0 && under < tabitems) {
      Post(EVENT_GADGETMENU, self, under, 0, mx, my, ItemExtra(under));
    }
  }
}

void TFLWidget::TextAreaCallback(int reason, int mx, int my) {
  // Edits are reported by EditHandler as they happen (a typed key's
  // "GadgetAction" comes from there, once); here the cursor, the context
  // menu and the focus.
  if (reason == FLEVENT_PUSH) {
    int start, end;
    glue_text_selection(flhandle, &start, &end);
    if (glue_event_button() == 1 || end <= start) CheckCursorPos(1, -1);
  } else if (reason == FLEVENT_RELEASE) {
    CheckCursorPos(1, -1);
    if (glue_event_button() == 3) Post(EVENT_GADGETMENU, Self(), 0, 0, mx, my);
  } else if (reason == FLEVENT_KEYDOWN) {
    CheckCursorPos(1, -1);
  } else if (reason == FLEVENT_UNFOCUS) {
    Post(EVENT_GADGETLOSTFOCUS, Self());
  }
}

void TFLWidget::PanelCallback(int reason, int mx, int my) {
  GadgetRef self = Self();
  EventState& state = Events();
  const int mods = ModifiersFromFlState(glue_event_state());
  switch (reason) {
    case FLEVENT_PUSH:
    case FLEVENT_RELEASE:
      Post(reason == FLEVENT_PUSH ? EVENT_MOUSEDOWN : EVENT_MOUSEUP, self,
           ProgramButton(glue_event_button()), 0, mx, my);
      break;
    case FLEVENT_ENTER:
      if (state.under_mouse) {
        Post(EVENT_MOUSELEAVE, state.under_mouse, 0, 0, state.mouse_x, state.mouse_y);
      }
      Post(EVENT_MOUSEENTER, self, 0, 0, mx, my);
      state.under_mouse = self;
      state.mouse_x = mx;
      state.mouse_y = my;
      break;
    case FLEVENT_LEAVE:
      if (state.under_mouse) {
        Post(EVENT_MOUSELEAVE, self, 0, 0, state.mouse_x, state.mouse_y);
        state.under_mouse = nullptr;
      }
      break;
    case FLEVENT_DRAG:
    case FLEVENT_MOVE: {
      const int button = reason == FLEVENT_DRAG ? DragButton(glue_event_state()) : 0;
      if (!state.under_mouse) {
        Post(EVENT_MOUSEENTER, self, button, 0, mx, my);
        state.under_mouse = self;
        state.mouse_x = mx;
        state.mouse_y = my;
      } else if (state.under_mouse == self) {
        Post(EVENT_MOUSEMOVE, self, button, 0, mx, my);
        state.mouse_x = mx;
        state.mouse_y = my;
      }
      break;
    }
    case FLEVENT_KEYDOWN: {
      const int key = VorkelKeyFromFlConst(glue_event_key());
      Post(key == state.last_key ? EVENT_KEYREPEAT : EVENT_KEYDOWN, self, key, mods);
      state.last_key = key;
      break;
    }
    case FLEVENT_KEYUP:
      Post(EVENT_KEYUP, self, VorkelKeyFromFlConst(glue_event_key()), mods);
      state.last_key = 0;
      break;
    case FLEVENT_ACTIVATE:
      state.painting = 1;
      Post(EVENT_GADGETPAINT, self);
      state.painting = 0;
      break;
    case FLEVENT_MOUSEWHEEL:
      Post(EVENT_MOUSEWHEEL, self, glue_event_dy(), 0, mx, my);
      break;
    default:
      break;
  }
}

void TFLWidget::DropFiles() {
  String text;
  for (char16_t c : glue_event_text()) {
    if (c != u'\r') text.push_back(c);
  }
  // The top-level window takes the files.
  TFLWidget* window = this;
  for (TGadget* p = parent; p; p = p->parent) {
    auto* w = dynamic_cast<TFLWidget*>(p);
    if (w && w->fltype == FLTYPE_WINDOW) window = w;
  }
  GadgetRef target = window->Self();
  const String scheme = u"file://";
  size_t at = text.find(scheme);
  while (at != String::npos) {
    size_t start = at + scheme.size();
    size_t end = text.find(u'\n', start);
    if (end == String::npos) break;  // an entry without a line end is not taken
    Post(EVENT_WINDOWACCEPT, target, 0, 0, 0, 0,
         BoxString(DecodeURL(text.substr(start, end - start))));
    at = text.find(scheme, end);
  }
}

String TFLWidget::DecodeURL(const String& text) {
  String out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char16_t>(HexToInt(text.substr(i + 1, 2))));
      i += 2;
    } else if (c == u'+') {
      out.push_back(u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

int TFLWidget::HexToInt(const String& text) {
  int value = 0;
  for (char16_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) break;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace lexidor
