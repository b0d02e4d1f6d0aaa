// The FLTK driver's fonts: font keys, loading by name, library faces and
// font objects from handles.
//
// A font handle packs the FLTK font index (bits 0..11), the style bits
// (12..15: 1 bold, 2 italic, 4 underline, 8 strike-through) and the point
// size (16..31).
#include <algorithm>

#include "gui/fltk/fl_gui_driver.h"
#include "gui/fltk/glue/glue.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {

namespace {

constexpr int kMaxFonts = 4096;

// The style letter of a key: p bold italic, i italic, b bold, space plain.
char16_t StyleLetter(int style) {
  if ((style & FONT_BOLD) && (style & FONT_ITALIC)) return u'p';
  if (style & FONT_ITALIC) return u'i';
  if (style & FONT_BOLD) return u'b';
  return u' ';
}

char16_t AttributeLetter(int attributes) {
  return StyleLetter(((attributes & 1) ? FONT_BOLD : 0) | ((attributes & 2) ? FONT_ITALIC : 0));
}

// The first index from 0 whose key, lower-cased, is `wanted`; -1 when the
// table ends first.
int FindFont(const String& wanted) {
  for (int index = 0; index < kMaxFonts; ++index) {
    String key = TFLTKGUIDriver::FontKey(index);
    if (key.empty()) return -1;
    if (AsciiLower(key) == wanted) return index;
  }
  return -1;
}

}  // namespace

String FontKeyOf(const String& name, int attributes) {
  if (name.empty()) return String();
  if (name[0] == u'-') {
    // X core form: "-foundry-family-weight-...".
    String family = name.size() > 3 ? name.substr(3) : String();
    size_t dash = family.find(u'-');
    if (dash != String::npos) family.resize(dash);
    std::replace(family.begin(), family.end(), u'*', u' ');
    size_t start = family.find_first_not_of(u' ');
    if (start == String::npos) return String();
    return String(1, AttributeLetter(attributes)) + family.substr(start);
  }
  const char16_t first = name[0];
  if (first == u' ' || first == u'B' || first == u'I' || first == u'P') {
    // FLTK's Xft form: a style letter, then the family.
    String family = name.substr(1);
    if (family.empty()) return String();
    return AsciiLower(String(1, first) + family);
  }
  return String(1, AttributeLetter(attributes)) + AsciiLower(name);
}

String TFLTKGUIDriver::FontKey(int index) {
  String name = glue_font_name(index);
  if (name.empty()) return String();
  return FontKeyOf(name, glue_font_attributes(index));
}

FontRef TFLTKGUIDriver::CreateFont(int handle) {
  auto font = std::make_shared<TGuiFont>();
  const unsigned bits = static_cast<unsigned>(handle);
  font->handle = handle;
  String key = FontKey(static_cast<int>(bits & 0xfff));
  font->name = key.empty() ? String() : key.substr(1);
  font->style = static_cast<int>((bits >> 12) & 0xf);
  font->size = static_cast<double>(bits >> 16);
  return font;
}

FontRef TFLTKGUIDriver::LoadFont(const String& name, int size, int style) {
  const String family = AsciiLower(name);
  int index = FindFont(String(1, StyleLetter(style)) + family);
  if (index < 0 && (style & (FONT_BOLD | FONT_ITALIC))) {
    // No such face: the plain one, keeping only the underline bit.
    style &= FONT_UNDERLINE;
    index = FindFont(String(1, StyleLetter(style)) + family);
  }
  if (index < 0) index = 0;
  int points = glue_nearest_font_size(index, size);
  points = std::clamp(points, 0, 0xffff);
  const int handle = index | (style & 0xf) << 12 | points << 16;
  if (handle == 0) return nullptr;
  return CreateFont(handle);
}

FontRef TFLTKGUIDriver::LibraryFont(int kind, double size, int style) {
  int index;
  switch (kind) {
    case 2:
      index = (style & FONT_BOLD) ? 14 : 13;  // FL_SCREEN_BOLD, FL_SCREEN
      break;
    case 4:
      index = 8 + (style & FONT_BOLD) + (style & FONT_ITALIC);  // FL_TIMES and faces
      break;
    case 5:
      return LoadFontWithDouble(u"Comic Sans MS", size > 0 ? size : 12.0, style);
    default:
      index = 0 + (style & FONT_BOLD) + (style & FONT_ITALIC);  // FL_HELVETICA and faces
      break;
  }
  int handle = index | (style & 0xf) << 12;
  if (!(size > 0)) handle |= 12 << 16;
  FontRef font = CreateFont(handle);
  if (size > 0) {
    // Looked up by name so that the size becomes one the face offers.
    const int points = size >= 0xffff ? 0xffff : static_cast<int>(size);
    font = LoadFont(font->name, points, style);
  }
  return font;
}

}  // namespace lexidor
