#include "gui/fltk/widget/fl_icon_strip.h"

#include <cstring>

#include "gui/fltk/glue/glue.h"

namespace lexidor {

FLPixmapRef TFLPixmap::Make(int w, int h, int depth) {
  if (w <= 0 || h <= 0 || (depth != 3 && depth != 4)) return nullptr;
  auto pixmap = std::make_shared<TFLPixmap>();
  pixmap->width = w;
  pixmap->height = h;
  pixmap->depth = depth;
  pixmap->pixels.assign(static_cast<size_t>(w) * h * depth, 0);
  return pixmap;
}

FLPixmapRef TFLPixmap::Load(const String& path) {
  int w = 0, h = 0, depth = 0;
  std::vector<uint8_t> raw;
  if (!glue_load_image(path, &w, &h, &depth, &raw)) return nullptr;
  // Grey pixels become RGB, grey with alpha RGBA: FLTK's RGB images and the
  // strip work on those two only.
  const int out_depth = (depth == 2 || depth == 4) ? 4 : 3;
  FLPixmapRef pixmap = Make(w, h, out_depth);
  if (!pixmap) return nullptr;
  const size_t count = static_cast<size_t>(w) * h;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* in = raw.data() + i * depth;
    uint8_t* out = pixmap->pixels.data() + i * out_depth;
    if (depth <= 2) {
      out[0] = out[1] = out[2] = in[0];
      if (depth == 2) out[3] = in[1];
    } else {
      std::memcpy(out, in, static_cast<size_t>(depth));
    }
  }
  return pixmap;
}

FLPixmapRef TFLPixmap::Cut(int x, int y, int w, int h) const {
  FLPixmapRef part = Make(w, h, depth);
  if (!part) return nullptr;
  const size_t row_bytes = static_cast<size_t>(w) * depth;
  for (int row = 0; row < h; ++row) {
    const uint8_t* from =
        pixels.data() + (static_cast<size_t>(y + row) * width + static_cast<size_t>(x)) * depth;
    std::memcpy(part->pixels.data() + row * row_bytes, from, row_bytes);
  }
  return part;
}

bool TFLPixmap::IsNotBlank() const {
  const size_t step = static_cast<size_t>(depth);
  for (size_t at = step; at + step <= pixels.size(); at += step) {
    if (std::memcmp(pixels.data(), pixels.data() + at, step) != 0) return true;
  }
  return false;
}

TFLIconStrip::~TFLIconStrip() {
  for (Fl_Image* image : images) glue_delete_image(image);
}

Fl_Image* IconImage(const IconStripRef& strip, int icon) {
  auto* icons = dynamic_cast<TFLIconStrip*>(strip.get());
  if (!icons || icon < 0 || icon >= static_cast<int>(icons->images.size())) return nullptr;
  return icons->images[icon];
}

std::shared_ptr<TFLIconStrip> TFLIconStrip::Create(const ObjectRef& source) {
  FLPixmapRef pixmap = std::dynamic_pointer_cast<TFLPixmap>(source);
  if (!pixmap) {
    if (const String* path = StringOf(source)) pixmap = TFLPixmap::Load(*path);
  }
  if (!pixmap || pixmap->height <= 0 || (pixmap->depth != 3 && pixmap->depth != 4)) {
    return nullptr;
  }
  const int side = pixmap->height;
  const int count = pixmap->width / side;
  if (count == 0) return nullptr;
  auto strip = std::make_shared<TFLIconStrip>();
  strip->pixmap = pixmap;
  strip->count = count;
  strip->images.assign(static_cast<size_t>(count), nullptr);
  strip->iconpixmaps.assign(static_cast<size_t>(count), nullptr);
  for (int i = 0; i < count; ++i) {
    FLPixmapRef icon = pixmap->Cut(i * side, 0, side, side);
    if (!icon || !icon->IsNotBlank()) continue;
    strip->iconpixmaps[i] = icon;
    strip->images[i] =
        glue_rgb_image(icon->pixels.data(), side, side, icon->depth, side * icon->depth);
  }
  return strip;
}

ObjectRef TFLIconStrip::CopyStripPixmap() {
  auto whole = std::dynamic_pointer_cast<TFLPixmap>(pixmap);
  if (!whole) return nullptr;
  return whole->Cut(0, 0, whole->width, whole->height);
}

ObjectRef TFLIconStrip::CutIconPixmap(int index) {
  auto whole = std::dynamic_pointer_cast<TFLPixmap>(pixmap);
  if (!whole || index < 0 || index >= count) return nullptr;
  const int side = whole->height;
  return whole->Cut(index * side, 0, side, side);
}

}  // namespace lexidor
