#include "gui/fltk/widget/fl_keys.h"

namespace lexidor {

int VorkelKeyFromFlConst(int k) {
  // clang-format off
  switch (k) {
    case 0xff08: return 8;    // BackSpace
    case 0xff09: return 9;    // Tab
    case 0xff0d: return 13;   // Enter
    case 0xff13:              // Pause
    case 0xff14: return 0;    // Scroll Lock
    case 0xff1b: return 27;   // Escape
    case 0xff50: return 36;   // Home
    case 0xff51: return 37;   // Left
    case 0xff52: return 38;   // Up
    case 0xff53: return 39;   // Right
    case 0xff54: return 40;   // Down
    case 0xff55: return 33;   // Page Up
    case 0xff56: return 34;   // Page Down
    case 0xff57: return 35;   // End
    case 0xff61: return 42;   // Print
    case 0xff63: return 45;   // Insert
    case 0xff67:              // Menu
    case 0xff68:              // Help
    case 0xff7f: return 0;    // Num Lock
    case 0xff8d: return 13;   // keypad Enter
    case 0xffe1: return 160;  // Shift L
    case 0xffe2: return 161;  // Shift R
    case 0xffe3: return 162;  // Control L
    case 0xffe4: return 163;  // Control R
    case 0xffe5: return 0;    // Caps Lock
    case 0xffe7: return 91;   // Meta L
    case 0xffe8: return 92;   // Meta R
    case 0xffe9: return 164;  // Alt L
    case 0xffea: return 165;  // Alt R
    case 0xffff: return 46;   // Delete
    default:
      break;
  }
  // clang-format on
  if (k >= 0xff80 && k <= 0xff89) return k - 0xff80 + 96;   // keypad 0..9
  if (k >= 0xffbe && k <= 0xffc9) return k - 0xffbe + 112;  // F1..F12
  return HotKeyFromFlConst(k);
}

int HotKeyFromFlConst(int k) {
  if (k == '[') return 219;
  if (k == '\\') return 226;
  if (k == ']') return 221;
  if (k >= 97 && k <= 126) return k - 32;
  if (k == 0xfe20 || k == 0xff09) return 9;
  if (k == 0xff1b) return 27;
  if (k >= 0xff51 && k <= 0xff54) return k - 0xff51 + 37;
  if (k >= 0xffbe && k <= 0xffca) return k - 0xffbe + 112;
  return k;
}

int FlConstFromVorkelKey(int key) {
  // clang-format off
  switch (key) {
    case 8: return 0xff08;
    case 9: return 0xff09;
    case 13: return 0xff0d;
    case 27: return 0xff1b;
    case 33: return 0xff55;
    case 34: return 0xff56;
    case 35: return 0xff57;
    case 36: return 0xff50;
    case 42: return 0xff61;
    case 45: return 0xff63;
    case 46: return 0xffff;
    case 219: return '[';
    case 221: return ']';
    case 226: return '\\';
    default:
      break;
  }
  // clang-format on
  if (key >= 37 && key <= 40) return key - 37 + 0xff51;
  if (key >= 65 && key <= 94) return key + 32;
  if (key >= 112 && key <= 123) return key - 112 + 0xffbe;
  return key;
}

int ModifiersFromFlState(int state) {
  int mods = 0;
  if (state & FLSTATE_SHIFT) mods |= MODIFIER_SHIFT;
  if (state & FLSTATE_CTRL) mods |= MODIFIER_CONTROL;
  if (state & FLSTATE_ALT) mods |= MODIFIER_OPTION;
  if (state & FLSTATE_META) mods |= MODIFIER_SYSTEM;
  return mods;
}

int FlStateFromModifiers(int mods) {
  int state = 0;
  if (mods & MODIFIER_SHIFT) state |= FLSTATE_SHIFT;
  if (mods & MODIFIER_CONTROL) state |= FLSTATE_CTRL;
  if (mods & MODIFIER_OPTION) state |= FLSTATE_ALT;
  if (mods & MODIFIER_SYSTEM) state |= FLSTATE_META;
  return state;
}

}  // namespace lexidor
