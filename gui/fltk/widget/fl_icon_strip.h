// Pixmaps and icon strips of the FLTK driver.
//
// TFLPixmap is a plain block of RGB or RGBA pixels.  TFLIconStrip cuts a
// strip image (a TFLPixmap, or an image file named by a boxed string) into
// square icons side by side, each as wide as the strip is high, and keeps an
// FLTK image for every icon that is not blank.  Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/gadgets/gui_driver.h"

class Fl_Image;

namespace lexidor {

class TFLPixmap;
using FLPixmapRef = std::shared_ptr<TFLPixmap>;

class TFLPixmap : public TObject {
 public:
  int width = 0;
  int height = 0;
  int depth = 0;                // bytes per pixel: 3 RGB, 4 RGBA
  std::vector<uint8_t> pixels;  // rows top to bottom, width * depth bytes each

  // A pixmap of the given size, all bytes 0; nullptr for a size not above
  // 0 or a depth other than 3 or 4.
  static FLPixmapRef Make(int w, int h, int depth);
  // An image file read with FLTK's loaders (the path is bytes, one per
  // character), grey turned into RGB and grey + alpha into RGBA; nullptr
  // when it cannot be read.
  static FLPixmapRef Load(const String& path);
  // The rectangle (x, y, w, h), which must lie inside, as a new pixmap.
  FLPixmapRef Cut(int x, int y, int w, int h) const;
  // Whether any pixel differs from the top-left one.
  bool IsNotBlank() const;
};

class TFLIconStrip : public TIconStrip {
 public:
  ~TFLIconStrip() override;

  // FLTK images of the icons; nullptr for a blank icon.
  std::vector<Fl_Image*> images;
  // The icons' pixels, which the images show; nullptr for a blank icon.
  std::vector<FLPixmapRef> iconpixmaps;

  // A strip from a TFLPixmap or from an image file named by a boxed string;
  // nullptr when there is no image, it is narrower than it is high, or its
  // pixels are of a kind FLTK's RGB images cannot show.
  static std::shared_ptr<TFLIconStrip> Create(const ObjectRef& source);

 protected:
  ObjectRef CopyStripPixmap() override;
  ObjectRef CutIconPixmap(int index) override;
};

// The FLTK image of icon `icon` of a strip; nullptr for no strip, an index
// outside it or a blank icon.  The strip owns the image.
Fl_Image* IconImage(const IconStripRef& strip, int icon);

}  // namespace lexidor
