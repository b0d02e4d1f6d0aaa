// The base GUI driver, icon strips and the active-driver slot.
#include "gui/gadgets/gui_driver.h"

#include <climits>

namespace lexidor {

namespace {
GuiDriverRef active_gui_driver;
}  // namespace

ObjectRef TIconStrip::ExtractIconPixmap(int index) {
  if (index >= count) return nullptr;
  if (index < 0) return CopyStripPixmap();
  return CutIconPixmap(index);
}

ObjectRef TIconStrip::CopyStripPixmap() { return nullptr; }
ObjectRef TIconStrip::CutIconPixmap(int) { return nullptr; }

FontRef TVexGUIDriver::LoadFont(const String&, int, int) { return nullptr; }

GadgetRef TVexGUIDriver::CreateGadget(int, const String&, int, int, int, int, const GadgetRef&,
                                      int) {
  return nullptr;
}

GadgetRef TVexGUIDriver::ActiveGadget() { return nullptr; }
int TVexGUIDriver::RequestColor(int, int, int) { return 0; }
FontRef TVexGUIDriver::RequestFont(const FontRef&) { return nullptr; }
void TVexGUIDriver::SetPointer(int) {}
IconStripRef TVexGUIDriver::LoadIconStrip(const ObjectRef&) { return nullptr; }

FontRef TVexGUIDriver::LibraryFont(int kind, double size, int style) {
  if (!(size > 0)) size = 12.0;
  const char16_t* face;
  switch (kind) {
    case 2:
      face = u"Lucida";
      break;
    case 4:
      face = u"FreeSerif";
      break;
    case 5:
      face = u"TSCu_Comic";
      break;
    default:
      face = u"FreeSans";
      break;
  }
  return LoadFontWithDouble(face, size, style);
}

FontRef TVexGUIDriver::LoadFontWithDouble(const String& name, double size, int style) {
  double rounded = size + 0.5;
  // Keep the conversion defined for absurd sizes.
  if (!(rounded > INT_MIN)) rounded = INT_MIN;
  if (rounded > INT_MAX) rounded = INT_MAX;
  return LoadFont(name, static_cast<int>(rounded), style);
}

const GuiDriverRef& ActiveGuiDriver() { return active_gui_driver; }

void SetActiveGuiDriver(GuiDriverRef driver) { active_gui_driver = std::move(driver); }

}  // namespace lexidor
