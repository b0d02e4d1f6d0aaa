#include "runtime/utf8.h"

namespace lexidor {

size_t DecodeUtf8Sequence(std::string_view bytes, size_t at, char32_t* code) {
  const unsigned char lead = static_cast<unsigned char>(bytes[at]);
  size_t len;
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4;
    cp = lead & 0x07;
  } else {
    return 0;  // ASCII, a continuation byte without a lead, C0, C1, F5-FF
  }
  if (at + len > bytes.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const unsigned char b = static_cast<unsigned char>(bytes[at + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  *code = cp;
  return len;
}

}  // namespace lexidor
