// TFLWidget: text, colours, fonts and icon strips, state (enabled, shown,
// selected), hot keys, commands, size limits and the batched redraw.
#include <utility>

#include "gui/events/system_driver.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/fltk/widget/fl_keys.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/fltk/widget/fl_widget_host.h"

namespace lexidor {

namespace {

bool IsWindowLike(int fltype) { return fltype == FLTYPE_WINDOW || fltype == FLTYPE_CANVAS; }

}  // namespace

// --- Text, colours, fonts ----------------------------------------------------------------

void TFLWidget::SetText(const String& text) {
  switch (fltype) {
    case FLTYPE_WINDOW:
      glue_set_window_title(flhandle, text);
      break;
    case FLTYPE_BUTTON:
    case FLTYPE_CHECKBOX:
    case FLTYPE_RADIO:
    case FLTYPE_TOGGLE:
    case FLTYPE_TOGGLERADIO:
    case FLTYPE_RETURNBUTTON:
    case FLTYPE_BOX:
      glue_set_label(flhandle, text);
      SetDirty();
      break;
    case FLTYPE_INPUT:
    case FLTYPE_SECRETINPUT:
    case FLTYPE_INPUTCHOICE:
      glue_input_set_value(flhandle, text);
      break;
    case FLTYPE_TEXTEDITOR:
    case FLTYPE_TEXTDISPLAY:
      ReplaceText(0, -1, text, 1);
      break;
    case FLTYPE_MENU:
      name = text;
      UpdateMenu();
      break;
    case FLTYPE_HELPVIEW:
      SetURL(text, 1);
      break;
    default:
      break;
  }
}

String TFLWidget::GetText() {
  switch (fltype) {
    case FLTYPE_INPUT:
    case FLTYPE_SECRETINPUT:
    case FLTYPE_INPUTCHOICE:
      return glue_input_value(flhandle);
    case FLTYPE_TEXTEDITOR:
    case FLTYPE_TEXTDISPLAY:
      return AreaText(0, -1, 1);
    case FLTYPE_MENU:
      return name;
    case FLTYPE_HELPVIEW:
      return currenturl;
    default:
      return glue_get_label(flhandle);
  }
}

void TFLWidget::SetColor(int red, int green, int blue) {
  if (!flhandle) return;
  if (fltype == FLTYPE_PANEL || fltype == FLTYPE_GROUPPANEL) {
    glue_set_panel_color(flhandle, red, green, blue);
    Redraw();
  } else {
    glue_set_color(flhandle, red, green, blue);
    // Shown at the next poll: a colour set on a window already on the
    // screen must not wait for some other redraw.
    SetDirty();
  }
}

void TFLWidget::SetTextColor(int red, int green, int blue) {
  if (!flhandle) return;
  textr = red;
  textg = green;
  textb = blue;
  if (IsTextArea()) {
    glue_text_color(flhandle, red, green, blue);  // redisplays the text itself
    return;
  }
  if (IsList()) {
    glue_browser_text_color(flhandle, red, green, blue);
  } else {
    glue_set_label_color(flhandle, red, green, blue);
  }
  Redraw();
}

void TFLWidget::SetFont(const FontRef& font) {
  if (!font) return;
  if (IsTextArea()) {
    SetTextFont(font);
    return;
  }
  const unsigned handle = static_cast<unsigned>(font->handle);
  fnthandle = static_cast<int>(handle & 0xfff);
  fntsize = static_cast<int>(handle >> 16);
  fntstyle = font->style;
  if (fltype == FLTYPE_INPUT) {
    glue_set_label_font(flhandle, fnthandle, fntsize);
  } else if (IsList()) {
    glue_browser_text_font(flhandle, fnthandle, fntsize);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      SetListItem(i, items[i].text, items[i].tip, items[i].icon, items[i].extra);
    }
  } else {
    glue_set_label_font(flhandle, fnthandle, fntsize);
    const unsigned style_bits = handle >> 12;
    glue_set_label_lines(flhandle, style_bits & FONT_UNDERLINE, style_bits & FONT_STRIKETHROUGH);
    // An HTML view keeps its page: re-setting it would load it again.
    if (fltype != FLTYPE_HELPVIEW) SetText(GetText());
  }
  Redraw();
}

void TFLWidget::SetTooltip(const String& tip) { glue_set_tooltip(flhandle, tip); }
String TFLWidget::GetTooltip() { return glue_get_tooltip(flhandle); }
void TFLWidget::SetIconStrip(const IconStripRef& strip) {
  icons = strip;
  // Tools, list lines, tree nodes and tabs show their icons of the new strip
  // (or none), before anything draws the old strip's freed images.
  for (size_t i = 0; i < tools.size(); ++i) {
    SetTool(static_cast<int>(i), tools[i]->icon, tools[i]->GetTooltip());
  }
  if (IsList()) {
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      glue_browser_set_icon(flhandle, i + 1, IconImage(icons, ItemIconShown(i, ItemState(i))));
    }
  }
  if (fltype == FLTYPE_TREE && root) root->ShowNodeIcons(this);
  for (int i = 0; fltype == FLTYPE_TABS && i < tabitems; ++i) {
    glue_tab_set_icon(tabpanels[i]->flhandle, IconImage(icons, tabpanels[i]->icon));
  }
}

// --- State -------------------------------------------------------------------------------

void TFLWidget::SetEnabled(int flag) {
  enabled = flag;
  glue_activate_widget(flhandle, flag);
  if (fltype == FLTYPE_MENU) UpdateMenu();
}

void TFLWidget::SetShow(int flag) {
  if (IsWindowLike(fltype)) {
    glue_show_window(flhandle, flag ? 1 : 0);
  } else {
    glue_show_widget(flhandle, flag);
  }
}

int TFLWidget::State() {
  int state = 0;
  if (!enabled) state |= STATE_DISABLED;
  if (fltype >= FLTYPE_CHECKBOX && fltype <= FLTYPE_TOGGLERADIO && glue_button_value(flhandle)) {
    state |= STATE_SELECTED;
  }
  if (flhandle && !glue_widget_visible(flhandle)) state |= STATE_HIDDEN;
  if (fltype == FLTYPE_MENU && checked) state |= STATE_SELECTED;
  return state;
}

void TFLWidget::SetSelected(int flag) {
  switch (fltype) {
    case FLTYPE_CHECKBOX:
    case FLTYPE_TOGGLE:
      glue_set_button_value(flhandle, flag);
      break;
    case FLTYPE_RADIO:
    case FLTYPE_TOGGLERADIO:
      if (flag) ExcludeOthers();
      glue_set_button_value(flhandle, flag);
      break;
    case FLTYPE_MENU:
      check = 1;
      checked = flag != 0;
      UpdateMenu();
      break;
    default:
      break;
  }
}

void TFLWidget::ExcludeOthers() {
  if (!parent) return;
  for (const GadgetRef& kid : parent->kids) {
    auto* other = dynamic_cast<TFLWidget*>(kid.get());
    if (!other || other == this) continue;
    if (other->fltype == FLTYPE_RADIO || other->fltype == FLTYPE_TOGGLERADIO) {
      glue_set_button_value(other->flhandle, 0);
    }
  }
}

void TFLWidget::SetHotKey(int key, int modifiers) {
  int flkey = FlConstFromVorkelKey(key);
  if (flkey != 0) flkey += FlStateFromModifiers(modifiers);
  if (Class() == 2) glue_set_shortcut(flhandle, flkey);
  if (fltype == FLTYPE_MENU) {
    flshortcut = flkey;
    UpdateMenu();
  }
}

void TFLWidget::Activate(int command) {
  switch (command) {
    case ACTIVATE_FOCUS:
      glue_take_focus(flhandle);
      if (fltype == FLTYPE_INPUT || fltype == FLTYPE_SECRETINPUT) glue_input_select_all(flhandle);
      PumpSystemEvents();
      break;
    case ACTIVATE_CUT:
    case ACTIVATE_COPY:
    case ACTIVATE_PASTE:
      if (IsTextArea()) glue_text_clipboard(flhandle, command);
      break;
    case ACTIVATE_SELECT:
    case ACTIVATE_EXPAND:
    case ACTIVATE_COLLAPSE:
      if (TFLWidget* tree = NodeTree()) {
        if (command == ACTIVATE_SELECT) {
          glue_tree_select(tree->flhandle, nodehandle);
        } else {
          glue_tree_open(tree->flhandle, nodehandle, command == ACTIVATE_EXPAND);
        }
      }
      break;
    case ACTIVATE_BACK:
      BackURL();
      break;
    case ACTIVATE_FORWARD:
      ForwardURL();
      break;
    case ACTIVATE_MINIMIZE:
      if (fltype == FLTYPE_WINDOW) glue_show_window(flhandle, 2);
      break;
    case ACTIVATE_REDRAW:
      Redraw();
      break;
    default:
      break;  // the further window commands and print: nothing to do
  }
}

void TFLWidget::SetMinimumSize(int w, int h) {
  if (fltype == FLTYPE_WINDOW) glue_window_min_size(flhandle, w, h);
}

void TFLWidget::SetMaximumSize(int w, int h) {
  if (fltype == FLTYPE_WINDOW) glue_window_max_size(flhandle, w, h);
}

void TFLWidget::SetMessage(ObjectRef object) { message = std::move(object); }

// --- Redraws ---------------------------------------------------------------------------

void TFLWidget::SetDirty() {
  if (dirty) return;
  TFLWidgetHost* host = FLWidgetHost();
  auto self = std::static_pointer_cast<TFLWidget>(Self());
  if (!host || !self) {
    Redraw();  // nothing batches redraws: do it now
    return;
  }
  dirty = 1;
  host->RefreshWidget(self);
}

void TFLWidget::Redraw() { glue_redraw(flhandle); }

}  // namespace lexidor
