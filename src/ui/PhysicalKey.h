#pragma once

class QKeyEvent;

namespace ui {

// The key a key event names by where it sits on the keyboard, whatever the keyboard layout and
// Shift: the Qt key code that the same physical key gives on a US layout without Shift. So N, M,
// comma and full stop act alike on a US, a German or a Cyrillic layout, and Shift+comma is still
// comma (not "<").
//
// The physical key is read from the event's native scan code. Under X11 and Wayland that is the
// XKB keycode (the Linux evdev code + 8), which is what the platform gives every real key event.
// Only the main block's character keys are looked up there; every other key (arrows, Space's
// neighbours, the keypad, function and modifier keys) is already the same on every layout, and
// so is an event without a native code (a synthetic one, or the offscreen platform's): those
// give their Qt key as it stands.
int PhysicalKey(const QKeyEvent& event);

}  // namespace ui
