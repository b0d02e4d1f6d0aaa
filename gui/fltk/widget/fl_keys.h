// Key codes and modifier masks between FLTK and the program.
//
// The program's key events carry virtual key codes (65..90 for letters,
// 37..40 for the arrows, 112.. for F1..., 13 for Return); FLTK works with X
// key symbols (0xff0d for Return, 'a' for the A key).  Modifier masks:
// 1 Shift, 2 Control, 4 Alt, 8 Meta.
#pragma once

namespace lexidor {

// The program's modifier bits.
constexpr int MODIFIER_SHIFT = 1;
constexpr int MODIFIER_CONTROL = 2;
constexpr int MODIFIER_OPTION = 4;  // Alt
constexpr int MODIFIER_SYSTEM = 8;  // Meta

// FLTK's state bits for them (FL_SHIFT, FL_CTRL, FL_ALT, FL_META).
constexpr int FLSTATE_SHIFT = 0x10000;
constexpr int FLSTATE_CTRL = 0x40000;
constexpr int FLSTATE_ALT = 0x80000;
constexpr int FLSTATE_META = 0x400000;

// FLTK key symbols the driver names.
constexpr int FLKEY_ESCAPE = 0xff1b;
constexpr int FLKEY_CONTROL_R = 0xffe4;

// The virtual key of an FLTK key for key events: the special keys by the
// full table (keys without a virtual code, such as Pause or Caps Lock, give
// 0); every other key through HotKeyFromFlConst.
int VorkelKeyFromFlConst(int flkey);
// The short conversion used for hot keys: brackets and backslash, letters
// (as capitals) and '{' .. '~', Tab (also ISO left tab), Escape, the arrows
// and F1..F13; anything else unchanged.
int HotKeyFromFlConst(int flkey);
// The FLTK key for a virtual key (used for button shortcuts); anything
// without an entry unchanged.
int FlConstFromVorkelKey(int key);

// FLTK event state -> modifier mask (other state bits dropped), and back.
int ModifiersFromFlState(int state);
int FlStateFromModifiers(int mods);

}  // namespace lexidor
