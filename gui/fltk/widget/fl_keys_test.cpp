#include "gui/fltk/widget/fl_keys.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

struct KeyCase {
  int fl;
  int vk;
};

TEST(FlKeysTest, VorkelKeyFromFlConstMapsSpecialKeysAndFallsBackToTheShortConversion) {
  const KeyCase cases[] = {
      {0xff08, 8},
      {0xff09, 9},
      {0xff0d, 13},
      {0xff13, 0},
      {0xff14, 0},
      {0xff1b, 27},
      {0xff50, 36},
      {0xff51, 37},
      {0xff52, 38},
      {0xff53, 39},
      {0xff54, 40},
      {0xff55, 33},
      {0xff56, 34},
      {0xff57, 35},
      {0xff61, 42},
      {0xff63, 45},
      {0xff67, 0},
      {0xff68, 0},
      {0xff7f, 0},
      {0xff80, 96},
      {0xff89, 105},
      {0xff8d, 13},
      {0xffbe, 112},
      {0xffc9, 123},
      {0xffe1, 160},
      {0xffe2, 161},
      {0xffe3, 162},
      {0xffe4, 163},
      {0xffe5, 0},
      {0xffe7, 91},
      {0xffe8, 92},
      {0xffe9, 164},
      {0xffea, 165},
      {0xffff, 46},
      // through the short conversion
      {'a', 65},
      {'z', 90},
      {'[', 219},
      {'\\', 226},
      {']', 221},
      {'~', 94},
      {'1', '1'},
      {0xfe20, 9},
      {0xffca, 124},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(VorkelKeyFromFlConst(c.fl), c.vk) << std::hex << c.fl;
  }
}

TEST(FlKeysTest, HotKeyConversionLeavesKeysOutsideItsTableAlone) {
  const KeyCase cases[] = {
      {'a', 65},        {'q', 81},        {'{', 91},        {'[', 219},   {']', 221},
      {'\\', 226},      {0xfe20, 9},      {0xff09, 9},      {0xff1b, 27}, {0xff51, 37},
      {0xff54, 40},     {0xffbe, 112},    {0xffca, 124},    {'A', 'A'},   {'5', '5'},
      {0xff0d, 0xff0d}, {0xffe4, 0xffe4}, {0xff50, 0xff50},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(HotKeyFromFlConst(c.fl), c.vk) << std::hex << c.fl;
  }
}

TEST(FlKeysTest, FlConstFromVorkelKeyIsTheWayBackForShortcuts) {
  const KeyCase cases[] = {
      {0xff08, 8},  {0xff09, 9},  {0xff0d, 13}, {0xff1b, 27}, {0xff55, 33},  {0xff56, 34},
      {0xff57, 35}, {0xff50, 36}, {0xff51, 37}, {0xff54, 40}, {0xff61, 42},  {0xff63, 45},
      {0xffff, 46}, {'a', 65},    {'z', 90},    {'~', 94},    {0xffbe, 112}, {0xffc9, 123},
      {'[', 219},   {']', 221},   {'\\', 226},  {124, 124},   {'5', '5'},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(FlConstFromVorkelKey(c.vk), c.fl) << c.vk;
  }
  // Letters, arrows and function keys survive the round trip used by
  // shortcuts and hot keys.
  for (int vk : {65, 77, 90, 37, 38, 39, 40, 112, 118, 123, 9, 27, 219, 221, 226}) {
    EXPECT_EQ(VorkelKeyFromFlConst(FlConstFromVorkelKey(vk)), vk) << vk;
  }
}

TEST(FlKeysTest, ModifierMasksMapBothWaysAndDropOtherStateBits) {
  EXPECT_EQ(ModifiersFromFlState(0x10000), 1);
  EXPECT_EQ(ModifiersFromFlState(0x40000), 2);
  EXPECT_EQ(ModifiersFromFlState(0x80000), 4);
  EXPECT_EQ(ModifiersFromFlState(0x400000), 8);
  // Caps Lock (0x20000), Num Lock (0x100000) and the mouse buttons are not
  // modifiers.
  EXPECT_EQ(ModifiersFromFlState(0x10000 | 0x20000 | 0x100000 | 0x1000000 | 0x40000), 3);
  for (int mods = 0; mods < 16; ++mods) {
    EXPECT_EQ(ModifiersFromFlState(FlStateFromModifiers(mods)), mods);
  }
  EXPECT_EQ(FlStateFromModifiers(2 | 4), 0x40000 | 0x80000);
}

}  // namespace
}  // namespace lexidor
