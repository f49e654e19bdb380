#include "ui/KeyboardLayout.h"

#include <QGuiApplication>
#include <utility>

// After Qt: Xlib defines names (KeyPress, None, Bool) that Qt's headers use.
#include <X11/XKBlib.h>

namespace ui {

namespace {

KeyboardLayoutSource& Source() {
    static KeyboardLayoutSource source;
    return source;
}

// The first level of the key in the X server's keymap, fetched anew: one round trip, made only
// for a key press that acts.
quint32 ServerKeysym(quint32 keycode, int group) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return 0;
    XkbDescPtr keymap = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
    if (!keymap) return 0;
    quint32 keysym = 0;
    if (keycode >= keymap->min_key_code && keycode <= keymap->max_key_code) {
        const int groups = XkbKeyNumGroups(keymap, keycode);
        if (groups > 0 && XkbKeyGroupsWidth(keymap, keycode) > 0)
            keysym = static_cast<quint32>(XkbKeySymEntry(keymap, keycode, 0, group % groups));
    }
    XkbFreeKeyboard(keymap, 0, True);
    return keysym;
}

}  // namespace

quint32 LayoutKeysym(quint32 keycode, int group) {
    if (group < 0) group = 0;
    if (const KeyboardLayoutSource& source = Source()) return source(keycode, group);
    return ServerKeysym(keycode, group);
}

ScopedKeyboardLayout::ScopedKeyboardLayout(KeyboardLayoutSource source)
    : m_previous(std::exchange(Source(), std::move(source))) {}

ScopedKeyboardLayout::~ScopedKeyboardLayout() {
    Source() = std::move(m_previous);
}

}  // namespace ui
