// TFLWidget: creation, the window's client area, the tree and coordinates,
// and freeing.  Text, looks and state are in fl_widget_state.cpp, list items
// in fl_widget_items.cpp, callbacks and events in fl_widget_events.cpp.
#include "gui/fltk/widget/fl_widget.h"

#include <algorithm>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_widget_host.h"

namespace lexidor {

namespace {

constexpr int kMenuBarHeight = 25;
constexpr int kStatusBarHeight = 22;

// A window part (client group, menu bar, status bar) made with no parent
// and put into the window's FLTK group.
FLWidgetRef WindowPart(TFLWidget* window, int x, int y, int w, int h, int fltype, int style) {
  FLWidgetRef part = TFLWidget::Create(nullptr, x, y, w, h, String(), fltype, style);
  glue_group_add(window->flhandle, part->flhandle);
  return part;
}

}  // namespace

TFLWidget::~TFLWidget() { ReleaseToolkit(); }

bool TFLWidget::IsGroupType() const {
  switch (fltype) {
    case FLTYPE_WINDOW:
    case FLTYPE_PANEL:
    case FLTYPE_GROUPPANEL:
    case FLTYPE_TABS:
    case FLTYPE_GROUP:
    case FLTYPE_PACK:
    case FLTYPE_TOOLBAR:
      return true;
    default:
      return false;
  }
}

// --- Creation -------------------------------------------------------------------------

FLWidgetRef TFLWidget::Create(TFLWidget* parent, int x, int y, int w, int h, const String& text,
                              int fltype, int style) {
  auto self = std::make_shared<TFLWidget>();
  self->SetRect(x, y, w, h);
  self->fltype = fltype;
  self->style = style;
  TFLWidget* owner = nullptr;
  int flh = h;
  if (fltype == FLTYPE_WINDOW) {
    // A window's group is its owner, never an FLTK parent.
    owner = parent;
    parent = nullptr;
    if (style & 0x20) {
      if (style & 0x8) flh += 24;
      if (style & 0x4) flh += 32;
      self->height = flh;
    }
  }
  // The FLTK widget starts at the gadget position; AddChild moves it to its
  // place inside the parent.
  self->flhandle =
      glue_create_widget(x + self->ClientX(), y + self->ClientY(), w, flh, text, fltype);
  self->SetUpForType(owner != nullptr);
  if (parent) {
    parent->AddChild(self);
  } else {
    if (owner) self->_setparent(owner, -1);
    self->LockLayout();
  }
  glue_set_callback(self->flhandle, Handler, self.get());
  if (fltype == FLTYPE_TABS) self->CreateTabGroup();
  self->enabled = 1;
  if (TFLWidgetHost* host = FLWidgetHost()) self->SetFont(host->DefaultWidgetFont());
  if (fltype == FLTYPE_WINDOW && !(style & 0x40)) self->SetShow(1);
  // A canvas is an X window of its own inside its parent: shown once it
  // is in there.
  if (fltype == FLTYPE_CANVAS) self->SetShow(1);
  self->SetTooltip(String());
  return self;
}

// What a new widget of its type and style needs besides its FLTK class:
// frames, alignment, the client area of a window, text-area callbacks.
void TFLWidget::SetUpForType(bool owned) {
  switch (fltype) {
    case FLTYPE_WINDOW:
      if (!(style & 0x1)) glue_window_no_border(flhandle);
      CreateWindowClient();
      if (owned) glue_window_set_non_modal(flhandle);
      if (style & 0x40) SetShow(0);
      break;
    case FLTYPE_MENUBAR:
      glue_set_box(flhandle, FLBOX_THIN_UP_BOX, 0);
      break;
    case FLTYPE_PANEL:
    case FLTYPE_GROUPPANEL:
      // A group panel keeps the engraved frame its FLTK class draws, its
      // caption over the frame; a plain panel has a frame only when asked.
      if (fltype == FLTYPE_GROUPPANEL) {
        SetHandle(0, 15);  // below the caption
      } else {
        glue_set_box(flhandle, (style & 0x1) ? FLBOX_DOWN_FRAME : FLBOX_NO_BOX, 0);
      }
      if (style & 0x2) glue_panel_set_active(flhandle, 1);
      break;
    case FLTYPE_TABS:
      SetHandle(2, 20);
      break;
    case FLTYPE_HOLDBROWSER:
    case FLTYPE_MULTIBROWSER:
    case FLTYPE_CHOICE:
    case FLTYPE_INPUTCHOICE:
      current = -1;
      break;
    case FLTYPE_BOX: {
      int align = FLALIGN_WRAP | FLALIGN_INSIDE;
      if ((style & 0x18) == 0) align |= FLALIGN_LEFT;
      if ((style & 0x18) == 0x8) align |= FLALIGN_RIGHT;
      glue_set_align(flhandle, align);
      static const int kFrames[] = {FLBOX_NO_BOX, FLBOX_BORDER_FRAME, FLBOX_DOWN_FRAME,
                                    FLBOX_ENGRAVED_FRAME};
      if ((style & 7) < 4) glue_set_box(flhandle, kFrames[style & 7], 0);
      break;
    }
    case FLTYPE_TOOLBAR:
      SetLayout(1, 0, 1, 0);
      break;
    case FLTYPE_TEXTEDITOR:
    case FLTYPE_TEXTDISPLAY:
      glue_text_font(flhandle, textfont, textsize);
      glue_text_set_changed(flhandle, EditHandler, this);
      if (style & 0x1) glue_text_wrap(flhandle, 1);
      break;
    case FLTYPE_SLIDER:
    case FLTYPE_SCROLLBAR:
      if (style & 0x1) glue_set_widget_type(flhandle, 1);  // horizontal
      break;
    default:
      break;
  }
}

FLWidgetRef TFLWidget::CreateDesktop() {
  auto desktop = std::make_shared<TFLWidget>();
  desktop->fltype = FLTYPE_DESKTOP;
  desktop->gadclass = 0;
  int x, y, w, h;
  glue_screen_work_area(&x, &y, &w, &h);
  desktop->SetRect(x, y, w, h);
  desktop->enabled = 1;
  return desktop;
}

FLWidgetRef TFLWidget::CreateMenu(const String& text, int style, TFLWidget* group) {
  auto item = std::make_shared<TFLWidget>();
  item->fltype = FLTYPE_MENU;
  item->gadclass = 15;
  item->tag = style;
  item->style = style;
  item->name = text;
  item->enabled = 1;
  // Items made for a window hang from its menu's root.
  if (group && group->fltype == FLTYPE_WINDOW) {
    group = static_cast<TFLWidget*>(group->GetMenu().get());
  }
  if (group) item->_setparent(group, -1);
  item->UpdateMenu();
  return item;
}

// --- Window client area ------------------------------------------------------------------

void TFLWidget::CreateWindowClient() {
  if (style & 0x2) SetMinimumSize(64, 64);
  if (style & 0x80) glue_window_accept_files(flhandle, 1);
  if (style & 0x4) menubar = WindowPart(this, 0, 0, width, kMenuBarHeight, FLTYPE_MENUBAR, 0);
  if (style & 0x8) {
    statusbar =
        WindowPart(this, 0, height - kStatusBarHeight, width, kStatusBarHeight, FLTYPE_BOX, 2);
    static const int kStyles[3] = {0, 16, 8};  // left, centred, right
    for (int i = 2; i >= 0; --i) {
      statustext[i] =
          WindowPart(this, 0, height - 24, width, kStatusBarHeight, FLTYPE_BOX, kStyles[i]);
      glue_set_box(statustext[i]->flhandle, i == 2 ? FLBOX_EMBOSSED_BOX : FLBOX_EMBOSSED_FRAME, 0);
      glue_set_align(statustext[i]->flhandle,
                     glue_get_align(statustext[i]->flhandle) & ~FLALIGN_WRAP);
    }
  }
  client = WindowPart(this, 0, 0, 0, 0, FLTYPE_GROUP, 0);
  client->parent = this;
  RethinkWindow();
}

void TFLWidget::RethinkWindow() {
  int w = width, h = height;
  if (statusbar) {
    h -= kStatusBarHeight;
    glue_resize_widget(statusbar->flhandle, 0, h, w, kStatusBarHeight);
    statusbar->SetRect(0, h, w, kStatusBarHeight);
    for (const FLWidgetRef& text : statustext) {
      glue_resize_widget(text->flhandle, 0, h, w, kStatusBarHeight);
      text->SetRect(0, h, w, kStatusBarHeight);
    }
  }
  int top = 0;
  if (menubar) {
    glue_resize_widget(menubar->flhandle, -2, 0, w + 4, kMenuBarHeight);
    top = kMenuBarHeight + 2;
    h -= top;
  }
  if (client) {
    client->SetArea(0, top, w, h);
    glue_resize_widget(client->flhandle, 0, top, w, h);
  }
  LayoutKids();
}

void TFLWidget::SetStatus(const String& text) {
  if (!statusbar) return;
  String parts[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    size_t tab = i < 2 ? text.find(u'\t', start) : String::npos;
    parts[i] = text.substr(start, tab == String::npos ? String::npos : tab - start);
    if (tab == String::npos) break;
    start = tab + 1;
  }
  for (int i = 0; i < 3; ++i) statustext[i]->SetText(parts[i]);
}

// --- Tree and coordinates ---------------------------------------------------------------

void TFLWidget::AddChild(const FLWidgetRef& child) {
  if (!child) return;
  if (auto* old = dynamic_cast<TFLWidget*>(child->parent)) {
    if (old != this) old->RemoveChild(child.get());
  }
  child->_setparent(this, -1);
  if (IsGroupType() && child->flhandle) {
    glue_group_add(flhandle, child->flhandle);
    SetDirty();
  }
  child->LockLayout();
  child->Rethink();
}

void TFLWidget::RemoveChild(TFLWidget* child) {
  if (!child) return;
  auto it = std::find_if(kids.begin(), kids.end(),
                         [child](const GadgetRef& kid) { return kid.get() == child; });
  GadgetRef keep;  // the child may live on elsewhere; not freed here
  if (it != kids.end()) {
    keep = *it;
    kids.erase(it);
  }
  if (child->parent == this) child->parent = nullptr;
  if (IsGroupType() && child->flhandle) {
    glue_group_remove(flhandle, child->flhandle);
    SetDirty();
  }
}

void TFLWidget::SetHandle(int x, int y) {
  handlex = x;
  handley = y;
}

// The offset of this widget's client area in its window: the handles of
// every enclosing widget, and the positions of those that are not the window.
int TFLWidget::ClientOffset(int TFLWidget::*handle, int TGadget::*pos) {
  int offset = 0;
  for (TGadget* p = parent; p; p = p->parent) {
    auto* w = dynamic_cast<TFLWidget*>(p);
    if (!w) break;
    offset += w->*handle;
    if (w->fltype != FLTYPE_WINDOW) offset += w->*pos;
  }
  return offset;
}

int TFLWidget::ClientX() { return ClientOffset(&TFLWidget::handlex, &TGadget::xpos); }

int TFLWidget::ClientY() { return ClientOffset(&TFLWidget::handley, &TGadget::ypos); }

int TFLWidget::ClientWidth() {
  int w = client ? client->width : width;
  return std::max(0, w - handlex);
}

int TFLWidget::ClientHeight() {
  int h = client ? client->height : height;
  return std::max(0, h - handley);
}

void TFLWidget::Rethink() {
  if (!flhandle) return;
  glue_resize_widget(flhandle, xpos + ClientX(), ypos + ClientY(), width, height);
  if (fltype == FLTYPE_WINDOW) RethinkWindow();
}

void TFLWidget::SetShape(int x, int y, int w, int h) {
  TGadget::SetShape(x, y, w, h);
  if (parent) parent->Activate(ACTIVATE_REDRAW);
}

int TFLWidget::Query(int which) {
  Fl_Widget* widget = nullptr;
  if (which == 5) widget = flhandle;
  if (which == 6 && fltype == FLTYPE_WINDOW && client) widget = client->flhandle;
  return WidgetId(widget);
}

int TFLWidget::WidgetId(Fl_Widget* widget) {
  return static_cast<int>(reinterpret_cast<intptr_t>(widget));
}

int TFLWidget::Class() { return gadclass; }

// --- Freeing -------------------------------------------------------------------------------

void TFLWidget::Free() {
  GadgetRef keep = Self();
  // The window's menu goes with its kids; the bar stops showing it first.
  FLWidgetRef menu_root = std::move(menu);
  menu = nullptr;
  if (menubar) glue_menubar_forget(menubar->flhandle);
  std::vector<GadgetRef> snapshot = kids;
  for (const GadgetRef& kid : snapshot) {
    if (kid) kid->Free();
  }
  for (FLWidgetRef* part :
       {&client, &menubar, &statusbar, &statustext[0], &statustext[1], &statustext[2]}) {
    if (*part) (*part)->Free();
  }
  // A freed node takes its row (its kids' rows went with their Free).
  if (TFLWidget* tree = NodeTree()) glue_tree_remove(tree->flhandle, nodehandle);
  nodehandle = nullptr;
  root = nullptr;
  // A freed menu item leaves its window's bar at once: the bar must not
  // hand out a pick for it.
  TFLWidget* menu_window = fltype == FLTYPE_MENU ? MenuWindow() : nullptr;
  if (auto* p = dynamic_cast<TFLWidget*>(parent)) {
    p->RemoveChild(this);
  } else if (parent) {
    _setparent(nullptr, -1);
  }
  if (flhandle) {
    glue_set_callback(flhandle, Handler, nullptr);  // no callback may reach a freed gadget
    glue_text_set_changed(flhandle, nullptr, nullptr);
    if (fltype == FLTYPE_WINDOW) {
      glue_destroy_widget(flhandle);
    } else {
      glue_delete_widget(flhandle);
    }
    flhandle = nullptr;
  }
  icons = nullptr;
  if (menu_window) menu_window->UpdateMenu();
  tabpanels.clear();
  tabgroup = currpanel = nullptr;
  tools.clear();
}

void TFLWidget::ReleaseToolkit() {
  for (const GadgetRef& kid : kids) {
    if (auto* w = dynamic_cast<TFLWidget*>(kid.get())) w->ReleaseToolkit();
  }
  for (FLWidgetRef* part :
       {&client, &menubar, &statusbar, &statustext[0], &statustext[1], &statustext[2]}) {
    if (*part) (*part)->ReleaseToolkit();
  }
  if (!flhandle || !glue_fltk_open()) return;
  glue_set_callback(flhandle, Handler, nullptr);
  glue_text_set_changed(flhandle, nullptr, nullptr);
  if (fltype == FLTYPE_WINDOW) {
    glue_destroy_widget(flhandle);
  } else {
    glue_delete_widget(flhandle);
  }
  flhandle = nullptr;
}

}  // namespace lexidor
