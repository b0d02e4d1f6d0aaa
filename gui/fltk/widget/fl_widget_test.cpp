// The parts of TFLWidget that work without FLTK: URL decoding and the tree
// of widgets that have no FLTK widget (menu items, the desktop).
#include "gui/fltk/widget/fl_widget.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

TEST(FlWidgetTest, DecodeURLTurnsPercentEscapesAndPlusSigns) {
  EXPECT_EQ(TFLWidget::DecodeURL(u"/home/a%20b/c+d.txt"), u"/home/a b/c d.txt");
  EXPECT_EQ(TFLWidget::DecodeURL(u"%41%4a%4A"), u"AJJ");
  // Bytes above 0x7F stay one character each, as paths are held.
  EXPECT_EQ(TFLWidget::DecodeURL(u"caf%C3%A9"), String(u"caf\u00C3\u00A9"));
  // A "%" without two hexadecimal digits is kept as it is.
  EXPECT_EQ(TFLWidget::DecodeURL(u"100%"), u"100%");
  EXPECT_EQ(TFLWidget::DecodeURL(u"a%zzb%4"), u"a%zzb%4");
}

TEST(FlWidgetTest, HexToIntReadsDigitsUntilTheFirstOtherCharacter) {
  EXPECT_EQ(TFLWidget::HexToInt(u"ff"), 255);
  EXPECT_EQ(TFLWidget::HexToInt(u"1A"), 26);
  EXPECT_EQ(TFLWidget::HexToInt(u"7g"), 7);
  EXPECT_EQ(TFLWidget::HexToInt(u""), 0);
}

TEST(FlWidgetTest, MenuItemsCarryTheirTagAndJoinTheirParentWithoutAnFltkWidget) {
  FLWidgetRef menu = TFLWidget::CreateMenu(u"File", 0, nullptr);
  FLWidgetRef item = TFLWidget::CreateMenu(u"Open", 42, menu.get());
  EXPECT_EQ(item->Class(), KIND_MENUITEM);
  EXPECT_EQ(item->tag, 42);
  EXPECT_EQ(item->flhandle, nullptr);
  EXPECT_EQ(item->parent, menu.get());
  ASSERT_EQ(menu->kids.size(), 1u);
  EXPECT_EQ(menu->kids[0], item);
  // Operations on a widget without an FLTK widget do nothing.
  item->SetText(u"x");
  item->SetColor(1, 2, 3);
  item->Rethink();
  EXPECT_EQ(item->State(), 0);
  item->SetEnabled(0);
  EXPECT_EQ(item->State(), STATE_DISABLED);
  item->Free();
  EXPECT_TRUE(menu->kids.empty());
}

}  // namespace
}  // namespace lexidor
