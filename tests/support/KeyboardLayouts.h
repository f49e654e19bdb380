#pragma once

// Keyboard layouts as an X server loads them with setxkbmap, compiled by xkbcommon from the
// system's layout data: they stand for the active layout where there is no X server, and tell
// what a key of theirs types.

#include <xkbcommon/xkbcommon.h>

#include <QtGlobal>
#include <memory>

#include "ui/KeyboardLayout.h"

namespace testenv {

class XkbLayout {
public:
    // `layout` is a layout name of setxkbmap: "us", "de", "fr", "ru".
    explicit XkbLayout(const char* layout)
        : m_context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), &xkb_context_unref) {
        const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
        if (m_context)
            m_keymap.reset(
                xkb_keymap_new_from_names(m_context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
    bool IsValid() const { return m_keymap != nullptr; }

    // The keysym of `keycode` at `level` (0 without Shift, 1 with it) in the first group.
    quint32 Keysym(quint32 keycode, int level) const {
        const xkb_keysym_t* syms = nullptr;
        return xkb_keymap_key_get_syms_by_level(m_keymap.get(), keycode, 0, level, &syms) > 0
                   ? syms[0]
                   : 0;
    }
    // This layout as the active one, for the player's keys.
    ui::KeyboardLayoutSource Source() const {
        return [this](quint32 keycode, int) { return Keysym(keycode, 0); };
    }

private:
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> m_context;
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> m_keymap{nullptr, &xkb_keymap_unref};
};

}  // namespace testenv
