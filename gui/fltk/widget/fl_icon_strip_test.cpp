#include "gui/fltk/widget/fl_icon_strip.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace lexidor {
namespace {

// A strip of `count` icons of side `side`, icon i filled with the colour
// (i * 40, 10, 20), except that icons listed as patterned get one
// different pixel.
FLPixmapRef Strip(int side, int count, int depth, std::initializer_list<int> patterned) {
  FLPixmapRef strip = TFLPixmap::Make(side * count, side, depth);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side * count; ++x) {
      uint8_t* p = &strip->pixels[(static_cast<size_t>(y) * side * count + x) * depth];
      p[0] = static_cast<uint8_t>((x / side) * 40);
      p[1] = 10;
      p[2] = 20;
      if (depth == 4) p[3] = 255;
    }
  }
  for (int i : patterned)
    strip->pixels[(static_cast<size_t>(1) * side * count + i * side + 1) * depth] = 7;
  return strip;
}

TEST(FlIconStripTest, CutsSquaresAndGivesBlankIconsNoImage) {
  auto strip = TFLIconStrip::Create(Strip(4, 3, 3, {0, 2}));
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->count, 3);
  ASSERT_EQ(strip->images.size(), 3u);
  EXPECT_NE(strip->images[0], nullptr);
  EXPECT_EQ(strip->images[1], nullptr);  // all one colour: blank
  EXPECT_NE(strip->images[2], nullptr);
  EXPECT_EQ(strip->iconpixmaps[1], nullptr);
  ASSERT_NE(strip->iconpixmaps[2], nullptr);
  EXPECT_EQ(strip->iconpixmaps[2]->width, 4);
  EXPECT_EQ(strip->iconpixmaps[2]->pixels[0], 80);
}

TEST(FlIconStripTest, ExtractIconPixmapCopiesOneSquareOrTheWholeStrip) {
  auto strip = TFLIconStrip::Create(Strip(2, 3, 4, {}));
  ASSERT_NE(strip, nullptr);
  auto icon = std::dynamic_pointer_cast<TFLPixmap>(strip->ExtractIconPixmap(1));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->width, 2);
  EXPECT_EQ(icon->height, 2);
  EXPECT_EQ(icon->depth, 4);
  EXPECT_EQ(icon->pixels[0], 40);
  EXPECT_EQ(icon->pixels[3], 255);
  auto whole = std::dynamic_pointer_cast<TFLPixmap>(strip->ExtractIconPixmap(-1));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->width, 6);
  EXPECT_NE(whole, strip->pixmap);  // a copy
  EXPECT_EQ(strip->ExtractIconPixmap(3), nullptr);
}

TEST(FlIconStripTest, RefusesStripsNarrowerThanHighAndMissingSources) {
  EXPECT_EQ(TFLIconStrip::Create(TFLPixmap::Make(3, 4, 3)), nullptr);
  EXPECT_EQ(TFLIconStrip::Create(nullptr), nullptr);
  EXPECT_EQ(TFLIconStrip::Create(BoxString(u"/nonexistent/strip.png")), nullptr);
}

TEST(FlIconStripTest, LoadsAGreyImageFileAsRgb) {
  char name[] = "/tmp/lexidor_strip_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string path = std::string(name) + ".pgm";
  rename(name, path.c_str());
  // A binary PGM strip of two 2x2 icons: the first blank, the second not.
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  const unsigned char pixels[] = {9, 9, 1, 2, 9, 9, 3, 4};
  std::fputs("P5\n4 2\n255\n", file);
  std::fwrite(pixels, 1, sizeof pixels, file);
  std::fclose(file);

  auto strip = TFLIconStrip::Create(BoxString(FromLatin1(path)));
  std::remove(path.c_str());
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->count, 2);
  auto pixmap = std::dynamic_pointer_cast<TFLPixmap>(strip->pixmap);
  ASSERT_NE(pixmap, nullptr);
  EXPECT_EQ(pixmap->depth, 3);
  EXPECT_EQ(pixmap->pixels[6], 1);  // pixel (2, 0), grey 1 as RGB
  EXPECT_EQ(pixmap->pixels[7], 1);
  EXPECT_EQ(strip->images[0], nullptr);
  EXPECT_NE(strip->images[1], nullptr);
}

}  // namespace
}  // namespace lexidor
