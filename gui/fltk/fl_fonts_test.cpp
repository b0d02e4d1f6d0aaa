// Font keys and pointer shapes: the rules that do not need FLTK's tables.
#include <gtest/gtest.h>

#include "gui/fltk/fl_gui_driver.h"

namespace lexidor {
namespace {

struct KeyCase {
  const char16_t* name;
  int attributes;
  const char16_t* key;
};

TEST(FlFontsTest, FontKeysOfXftAndXCoreNames) {
  const KeyCase cases[] = {
      // FLTK's Xft names: the style letter and the family, lower-cased.
      {u" sans", 0, u" sans"},
      {u"Bsans", 1, u"bsans"},
      {u"Isans", 2, u"isans"},
      {u"PDejaVu Serif", 3, u"pdejavu serif"},
      {u" DejaVu Sans Mono", 0, u" dejavu sans mono"},
      {u"B", 1, u""},
      // X core names: the family field with the style letter of the
      // attributes; '*' reads as a space, leading spaces go.
      {u"-*-helvetica-bold-r-normal--*", 1, u"bhelvetica"},
      {u"-*-helvetica-medium-o-normal--*", 2, u"ihelvetica"},
      {u"-*-courier-bold-o-normal--*", 3, u"pcourier"},
      {u"-*-times-medium-r-normal--*", 0, u" times"},
      {u"-*-*zapf dingbats-medium-r-normal--*", 0, u" zapf dingbats"},
      {u"-*-*-medium-r-normal--*", 0, u""},
      {u"", 0, u""},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(FontKeyOf(c.name, c.attributes), String(c.key)) << ToUtf8(c.name);
  }
}

TEST(FlFontsTest, PointerShapesMapToFltkCursors) {
  const int expected[][2] = {{1, 35}, {2, 77},  {3, 76}, {4, 66},  {5, 31}, {6, 80},
                             {7, 81}, {8, 79},  {9, 78}, {10, 27}, {11, 0}, {12, 31},
                             {13, 0}, {14, 47}, {0, 0},  {15, 0},  {-1, 0}};
  for (const auto& pair : expected) EXPECT_EQ(FlCursorForShape(pair[0]), pair[1]) << pair[0];
}

}  // namespace
}  // namespace lexidor
