// The glue's item widgets (list browsers and choices) and images.
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Shared_Image.H>

#include <cstring>

#include "gui/fltk/glue/glue.h"

namespace lexidor {

namespace {

Fl_Browser* AsBrowser(Fl_Widget* widget) { return dynamic_cast<Fl_Browser*>(widget); }

// A browser line as FLTK must get it: "@." first, so that a text starting
// with "@" is shown as it is instead of being read as formatting codes.
std::string BrowserLine(const String& text) { return "@." + ToUtf8(text); }

String FromBrowserLine(const char* line) {
  if (!line) return String();
  if (line[0] == '@' && line[1] == '.') line += 2;
  return FromUtf8(line);
}

// The menu of a choice: Fl_Choice itself, or the drop-down of an editable
// combo box.
Fl_Menu_* AsMenu(Fl_Widget* widget) {
  if (auto* combo = dynamic_cast<Fl_Input_Choice*>(widget)) return combo->menubutton();
  return dynamic_cast<Fl_Choice*>(widget);
}

// A menu label as FLTK draws it: "&" marks a shortcut letter, so a literal
// one is doubled.
std::string MenuLabel(const String& text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    out.push_back(c);
    if (c == '&') out.push_back('&');
  }
  return out;
}

// The number of items of a menu, without its terminator.
int MenuItems(Fl_Menu_* menu) {
  int size = menu->size();
  return size > 0 ? size - 1 : 0;
}

}  // namespace

// --- List browsers --------------------------------------------------------------

void glue_browser_insert(Fl_Widget* widget, int line, const String& text) {
  if (Fl_Browser* browser = AsBrowser(widget)) {
    if (line < 1 || line > browser->size()) {
      browser->add(BrowserLine(text).c_str());
    } else {
      browser->insert(line, BrowserLine(text).c_str());
    }
  }
}

void glue_browser_set(Fl_Widget* widget, int line, const String& text) {
  Fl_Browser* browser = AsBrowser(widget);
  if (browser && line >= 1 && line <= browser->size())
    browser->text(line, BrowserLine(text).c_str());
}

void glue_browser_set_icon(Fl_Widget* widget, int line, Fl_Image* image) {
  Fl_Browser* browser = AsBrowser(widget);
  if (browser && line >= 1 && line <= browser->size()) browser->icon(line, image);
}

Fl_Image* glue_browser_icon(Fl_Widget* widget, int line) {
  Fl_Browser* browser = AsBrowser(widget);
  return browser && line >= 1 && line <= browser->size() ? browser->icon(line) : nullptr;
}

void glue_browser_remove(Fl_Widget* widget, int line) {
  Fl_Browser* browser = AsBrowser(widget);
  if (browser && line >= 1 && line <= browser->size()) browser->remove(line);
}

void glue_browser_clear(Fl_Widget* widget) {
  if (Fl_Browser* browser = AsBrowser(widget)) browser->clear();
}

int glue_browser_size(Fl_Widget* widget) {
  Fl_Browser* browser = AsBrowser(widget);
  return browser ? browser->size() : 0;
}

void glue_browser_select(Fl_Widget* widget, int line, int flag) {
  Fl_Browser* browser = AsBrowser(widget);
  if (browser && line >= 1 && line <= browser->size()) browser->select(line, flag ? 1 : 0);
}

int glue_browser_selected(Fl_Widget* widget, int line) {
  Fl_Browser* browser = AsBrowser(widget);
  if (!browser || line < 1 || line > browser->size()) return 0;
  return browser->selected(line) ? 1 : 0;
}

int glue_browser_value(Fl_Widget* widget) {
  Fl_Browser* browser = AsBrowser(widget);
  return browser ? browser->value() : 0;
}

String glue_browser_text(Fl_Widget* widget, int line) {
  Fl_Browser* browser = AsBrowser(widget);
  if (!browser || line < 1 || line > browser->size()) return String();
  return FromBrowserLine(browser->text(line));
}

void glue_browser_text_font(Fl_Widget* widget, int font, int size) {
  if (Fl_Browser* browser = AsBrowser(widget)) {
    browser->textfont(static_cast<Fl_Font>(font));
    browser->textsize(static_cast<Fl_Fontsize>(size));
  }
}

void glue_browser_text_color(Fl_Widget* widget, int r, int g, int b) {
  if (Fl_Browser* browser = AsBrowser(widget)) browser->textcolor(glue_rgb_color(r, g, b));
}

// --- Choices --------------------------------------------------------------------------

void glue_choice_insert(Fl_Widget* widget, int index, const String& text) {
  Fl_Menu_* menu = AsMenu(widget);
  if (!menu) return;
  int count = MenuItems(menu);
  if (index < 0 || index > count) index = count;
  // Inserted under a placeholder name and then renamed: FLTK reads "/" in
  // an inserted name as a submenu path, but takes a new name as it is.
  const int chosen = menu->value();
  int at = menu->insert(index == count ? -1 : index, "x", 0, nullptr, nullptr, 0);
  if (at >= 0) menu->replace(at, MenuLabel(text).c_str());
  // FLTK keeps the choice as a place in its item array, which the insert
  // shifted (or moved): choose the same item again.
  if (chosen >= 0) menu->value(chosen >= index ? chosen + 1 : chosen);
}

void glue_choice_set(Fl_Widget* widget, int index, const String& text) {
  Fl_Menu_* menu = AsMenu(widget);
  if (menu && index >= 0 && index < MenuItems(menu)) menu->replace(index, MenuLabel(text).c_str());
  if (auto* combo = dynamic_cast<Fl_Input_Choice*>(widget)) {
    if (menu && menu->value() == index) combo->value(ToUtf8(text).c_str());
  }
}

void glue_choice_remove(Fl_Widget* widget, int index) {
  Fl_Menu_* menu = AsMenu(widget);
  if (!menu || index < 0 || index >= MenuItems(menu)) return;
  const int chosen = menu->value();
  menu->remove(index);
  // As for insert: the choice follows its item, and goes with it.
  if (chosen == index || chosen < 0) {
    menu->value(static_cast<const Fl_Menu_Item*>(nullptr));
  } else {
    menu->value(chosen > index ? chosen - 1 : chosen);
  }
  widget->redraw();
}

void glue_choice_clear(Fl_Widget* widget) {
  if (Fl_Menu_* menu = AsMenu(widget)) menu->clear();
  if (auto* combo = dynamic_cast<Fl_Input_Choice*>(widget)) combo->value("");
}

int glue_choice_size(Fl_Widget* widget) {
  Fl_Menu_* menu = AsMenu(widget);
  return menu ? MenuItems(menu) : 0;
}

int glue_choice_value(Fl_Widget* widget) {
  Fl_Menu_* menu = AsMenu(widget);
  return menu ? menu->value() : -1;
}

void glue_choice_set_value(Fl_Widget* widget, int index) {
  Fl_Menu_* menu = AsMenu(widget);
  if (!menu) return;
  if (index < 0 || index >= MenuItems(menu)) {
    menu->value(static_cast<const Fl_Menu_Item*>(nullptr));
    return;
  }
  if (auto* combo = dynamic_cast<Fl_Input_Choice*>(widget)) {
    combo->menubutton()->value(index);
    combo->value(ToUtf8(glue_choice_text(widget, index)).c_str());
  } else {
    menu->value(index);
  }
  widget->redraw();
}

String glue_choice_text(Fl_Widget* widget, int index) {
  Fl_Menu_* menu = AsMenu(widget);
  if (!menu || index < 0 || index >= MenuItems(menu)) return String();
  const char* label = menu->text(index);
  if (!label) return String();
  std::string text;
  for (const char* p = label; *p; ++p) {
    text.push_back(*p);
    if (p[0] == '&' && p[1] == '&') ++p;
  }
  return FromUtf8(text);
}

// --- Images -----------------------------------------------------------------------------

bool glue_load_image(const String& path, int* w, int* h, int* depth, std::vector<uint8_t>* pixels) {
  static bool registered = false;
  if (!registered) {
    fl_register_images();
    registered = true;
  }
  // Paths are bytes, one per character.
  Fl_Shared_Image* shared = Fl_Shared_Image::get(ToLatin1(path).c_str());
  if (!shared) return false;
  // Only images with pixel data (PNG, JPEG, BMP, PNM) are read; indexed
  // ones (XPM, GIF) are refused.
  Fl_Image* image = shared;
  bool ok = false;
  if (image && image->w() > 0 && image->h() > 0 && image->d() >= 1 && image->d() <= 4 &&
      image->count() == 1 && image->data() && image->data()[0]) {
    const int iw = image->w(), ih = image->h(), id = image->d();
    const int line = image->ld() ? image->ld() : iw * id;
    const char* data = image->data()[0];
    pixels->resize(static_cast<size_t>(iw) * ih * id);
    for (int row = 0; row < ih; ++row) {
      std::memcpy(pixels->data() + static_cast<size_t>(row) * iw * id,
                  data + static_cast<size_t>(row) * line, static_cast<size_t>(iw) * id);
    }
    *w = iw;
    *h = ih;
    *depth = id;
    ok = true;
  }
  shared->release();
  return ok;
}

Fl_Image* glue_rgb_image(const uint8_t* pixels, int w, int h, int depth, int line_bytes) {
  if (!pixels || w <= 0 || h <= 0 || depth < 1 || depth > 4) return nullptr;
  return new Fl_RGB_Image(pixels, w, h, depth, line_bytes);
}

void glue_delete_image(Fl_Image* image) { delete image; }

}  // namespace lexidor
