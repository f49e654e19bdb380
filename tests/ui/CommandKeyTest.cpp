// Which command a key stands for on US, German, French and Russian layouts: Latin layouts by
// their letters, others by the US key in the same place, the digit row by its digits, with and
// without Shift.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "support/KeyboardLayouts.h"
#include "ui/CommandKey.h"
#include "ui/KeyboardLayout.h"

namespace {

// A key as the X11 platform delivers it: the keycode, the character typed and its keysym, and
// the Qt key it names (the character's capital).
QKeyEvent KeyEvent(quint32 keycode, char32_t character, bool bShift) {
    const QString text = QString::fromUcs4(&character, 1);
    return QKeyEvent(QEvent::KeyPress, text.at(0).toUpper().unicode(),
                     bShift ? Qt::ShiftModifier : Qt::NoModifier, keycode,
                     xkb_utf32_to_keysym(character), bShift ? 1 : 0 /* ShiftMask */, text);
}

struct LayoutKey {
    const char* layout;
    quint32 keycode;  // X keycode: evdev code + 8
    char32_t typed;   // without Shift
    char32_t shifted;
    int command;
};

const LayoutKey kKeys[] = {
    {"us", 58, U'm', U'M', Qt::Key_M},
    {"us", 59, U',', U'<', Qt::Key_Comma},
    {"us", 60, U'.', U'>', Qt::Key_Period},
    {"us", 52, U'z', U'Z', Qt::Key_Z},
    {"us", 11, U'2', U'@', Qt::Key_2},
    // Z and Y change places; a letter outside A to Z acts as the US key there.
    {"de", 29, U'z', U'Z', Qt::Key_Z},
    {"de", 52, U'y', U'Y', Qt::Key_Y},
    {"de", 59, U',', U';', Qt::Key_Comma},
    {"de", 60, U'.', U':', Qt::Key_Period},
    {"de", 47, U'ö', U'Ö', Qt::Key_Semicolon},
    // M where US has ";", comma where US has M; ";" and ":" are no letters and act as the US
    // comma and full stop in their places; the digit row types é, è, ç.
    {"fr", 47, U'm', U'M', Qt::Key_M},
    {"fr", 58, U',', U'?', Qt::Key_Comma},
    {"fr", 59, U';', U'.', Qt::Key_Comma},
    {"fr", 60, U':', U'/', Qt::Key_Period},
    {"fr", 25, U'z', U'Z', Qt::Key_Z},
    {"fr", 24, U'a', U'A', Qt::Key_A},
    {"fr", 11, U'é', U'2', Qt::Key_2},
    {"fr", 16, U'è', U'7', Qt::Key_7},
    {"fr", 18, U'ç', U'9', Qt::Key_9},
    // Cyrillic letters act as the US keys in their places; a full stop is a full stop.
    {"ru", 58, U'ь', U'Ь', Qt::Key_M},
    {"ru", 57, U'т', U'Т', Qt::Key_N},
    {"ru", 59, U'б', U'Б', Qt::Key_Comma},
    {"ru", 52, U'я', U'Я', Qt::Key_Z},
    {"ru", 61, U'.', U',', Qt::Key_Period},
};

TEST(CommandKeyTest, LatinLayoutsActByTheirLettersOthersByTheUsKeyInTheSamePlace) {
    for (const LayoutKey& key : kKeys) {
        SCOPED_TRACE(testing::Message() << key.layout << " keycode " << key.keycode);
        const testenv::XkbLayout layout(key.layout);
        ASSERT_TRUE(layout.IsValid());
        // The events are what this layout types.
        ASSERT_EQ(layout.Keysym(key.keycode, 0), xkb_utf32_to_keysym(key.typed));
        ASSERT_EQ(layout.Keysym(key.keycode, 1), xkb_utf32_to_keysym(key.shifted));
        {
            // The active layout known (X11): Shift changes nothing.
            const ui::ScopedKeyboardLayout active(layout.Source());
            EXPECT_EQ(ui::CommandKey(KeyEvent(key.keycode, key.typed, false)), key.command);
            EXPECT_EQ(ui::CommandKey(KeyEvent(key.keycode, key.shifted, true)), key.command);
        }
        // Not known (Wayland): what the key typed without Shift tells the same.
        const ui::ScopedKeyboardLayout unknown([](quint32, int) { return 0u; });
        EXPECT_EQ(ui::CommandKey(KeyEvent(key.keycode, key.typed, false)), key.command);
    }
}

}  // namespace
