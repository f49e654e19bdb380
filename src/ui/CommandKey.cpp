#include "ui/CommandKey.h"

#include <QKeyEvent>
#include <array>

#include "ui/KeyboardLayout.h"

namespace ui {

namespace {

// XKB keycodes of the main block's character keys: the evdev code (KEY_1 = 2 ... KEY_SPACE = 57)
// plus 8.
constexpr quint32 kFirstKeycode = 10;  // evdev KEY_1
constexpr quint32 kLastKeycode = 65;   // evdev KEY_SPACE

// The US layout's unshifted key for each keycode from kFirstKeycode on; 0 where the keycode is no
// character key (Backspace, Tab, Return, Ctrl, Shift, Alt).
constexpr std::array<int, kLastKeycode - kFirstKeycode + 1> kUsKeys = {
    // 10 .. 21: the digit row
    Qt::Key_1,
    Qt::Key_2,
    Qt::Key_3,
    Qt::Key_4,
    Qt::Key_5,
    Qt::Key_6,
    Qt::Key_7,
    Qt::Key_8,
    Qt::Key_9,
    Qt::Key_0,
    Qt::Key_Minus,
    Qt::Key_Equal,
    // 22, 23: Backspace, Tab
    0,
    0,
    // 24 .. 35: the upper letter row
    Qt::Key_Q,
    Qt::Key_W,
    Qt::Key_E,
    Qt::Key_R,
    Qt::Key_T,
    Qt::Key_Y,
    Qt::Key_U,
    Qt::Key_I,
    Qt::Key_O,
    Qt::Key_P,
    Qt::Key_BracketLeft,
    Qt::Key_BracketRight,
    // 36, 37: Return, left Ctrl
    0,
    0,
    // 38 .. 49: the middle letter row and the key left of 1
    Qt::Key_A,
    Qt::Key_S,
    Qt::Key_D,
    Qt::Key_F,
    Qt::Key_G,
    Qt::Key_H,
    Qt::Key_J,
    Qt::Key_K,
    Qt::Key_L,
    Qt::Key_Semicolon,
    Qt::Key_Apostrophe,
    Qt::Key_QuoteLeft,
    // 50: left Shift
    0,
    // 51 .. 61: backslash and the lower letter row
    Qt::Key_Backslash,
    Qt::Key_Z,
    Qt::Key_X,
    Qt::Key_C,
    Qt::Key_V,
    Qt::Key_B,
    Qt::Key_N,
    Qt::Key_M,
    Qt::Key_Comma,
    Qt::Key_Period,
    Qt::Key_Slash,
    // 62 .. 64: right Shift, keypad *, left Alt
    0,
    0,
    0,
    // 65
    Qt::Key_Space,
};

static_assert(kUsKeys[57 - kFirstKeycode] == Qt::Key_N &&
                  kUsKeys[59 - kFirstKeycode] == Qt::Key_Comma,
              "the table must line up with the keycodes");

// The key a character acts as: Latin letters in either case, comma and full stop (their keysyms
// are their Latin-1 codes). 0 for every other character.
int CharacterKey(quint32 keysym) {
    if (keysym >= 'a' && keysym <= 'z') return Qt::Key_A + static_cast<int>(keysym - 'a');
    if (keysym >= 'A' && keysym <= 'Z') return Qt::Key_A + static_cast<int>(keysym - 'A');
    if (keysym == ',') return Qt::Key_Comma;
    if (keysym == '.') return Qt::Key_Period;
    return 0;
}

// What the key types without Shift, as a keysym; 0 when that cannot be told.
quint32 UnshiftedKeysym(const QKeyEvent& event) {
    // The group the key was typed in: bits 13 and 14 of the X event's state.
    const int group = static_cast<int>((event.nativeModifiers() >> 13) & 3);
    if (const quint32 keysym = LayoutKeysym(event.nativeScanCode(), group)) return keysym;
    // Without the layout, the event's own keysym: Shift changes a letter's case only, but it
    // turns other marks into others (a French "," into "?").
    const quint32 keysym = event.nativeVirtualKey();
    if (!(event.modifiers() & Qt::ShiftModifier)) return keysym;
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z') ? keysym : 0;
}

}  // namespace

int CommandKey(const QKeyEvent& event) {
    const quint32 keycode = event.nativeScanCode();
    if (keycode < kFirstKeycode || keycode > kLastKeycode) return event.key();
    const int usKey = kUsKeys[keycode - kFirstKeycode];
    if (!usKey) return event.key();
    if (usKey >= Qt::Key_0 && usKey <= Qt::Key_9) return usKey;
    if (const int key = CharacterKey(UnshiftedKeysym(event))) return key;
    return usKey;
}

}  // namespace ui
