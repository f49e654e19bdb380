#pragma once

class QKeyEvent;

namespace ui {

// The key a key event stands for in the player's keyboard commands, as a Qt key code; Shift
// never changes it. Keys of the main block act as on the original platform, whose key codes
// follow the letters of the active layout when it is Latin:
// - a key that types a letter A to Z, a comma or a full stop without Shift in the active layout
//   acts as that letter or mark (on a French layout the key labelled M is M, the one labelled
//   "," is comma; on a German one Z and Y are where they are labelled);
// - any other key of the block (a Cyrillic, Greek, Hebrew or Arabic letter, other marks) acts as
//   the key in the same place on a US layout, so N and M are at home on every layout;
// - the digit row always acts as its digits (on a French layout they type é, è, ç without
//   Shift).
//
// The place is the event's native scan code, which on X11 and Wayland is the XKB keycode (the
// evdev code + 8); what the key types without Shift comes from the active layout (LayoutKeysym)
// and, where that is not known, from the event's own keysym when Shift did not choose it. Every
// other key (arrows, the keypad, function and modifier keys), and an event without a native code
// (a synthetic one, or the offscreen platform's), gives its Qt key as it stands.
int CommandKey(const QKeyEvent& event);

}  // namespace ui
