#pragma once

#include <QtGlobal>
#include <functional>

namespace ui {

// The active keyboard layout, as far as the keys' actions need it: the X keysym that a key gives
// at its first level (without Shift or AltGr) in one group of the layout. `keycode` is the X
// keycode (the evdev code + 8) and `group` the group the key event was typed in (0 to 3; a
// group the key lacks wraps round, as X does). 0 when it is not known.
//
// Under X11 the keymap is asked of the X server at each call, so a layout changed while the
// player runs counts from the next key. Other platforms (Wayland, the offscreen one) tell
// nothing.
quint32 LayoutKeysym(quint32 keycode, int group);

// The layout's keysyms from somewhere else than the X server: tests give a layout compiled from
// its name. For the lifetime of the object; the previous source comes back after it.
using KeyboardLayoutSource = std::function<quint32(quint32 keycode, int group)>;
class ScopedKeyboardLayout {
public:
    explicit ScopedKeyboardLayout(KeyboardLayoutSource source);
    ~ScopedKeyboardLayout();
    ScopedKeyboardLayout(const ScopedKeyboardLayout&) = delete;
    ScopedKeyboardLayout& operator=(const ScopedKeyboardLayout&) = delete;

private:
    KeyboardLayoutSource m_previous;
};

}  // namespace ui
