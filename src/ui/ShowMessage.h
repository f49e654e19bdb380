#pragma once

#include <string>

#include "ui/MessageText.h"

class QWidget;

// Message box styles: buttons in the low four bits, the icon in the next four, the default
// button and the modality above them.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
constexpr unsigned MB_TASKMODAL = 0x2000;

// The button a message box was answered with.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

namespace ui {

// What a message box shows; the answer is the pressed button's identifier.
struct MessageQuestion {
    using Answer = int;
    QWidget* owner = nullptr;
    std::string caption;
    std::string text;  // already formatted, UTF-8, CR for a line break
    unsigned style = MB_OK;
};

// Shows the box for real (no responder involved).
int ShowMessageBox(const MessageQuestion& question);

}  // namespace ui

namespace ui::detail {

int ShowFormattedMessage(QWidget* owner, const char* caption, unsigned style, const char* fmt,
                         const char* conversions, ...);

}  // namespace ui::detail

// The one routine every message goes through: the text is a printf format (always interpreted,
// so a lone percent sign is written "%%"), formatted in full. Formats come from
// the language file, so the arguments' types are checked against the format's placeholders: a
// text that does not take exactly these arguments is shown as it stands (see ui/MessageText.h).
template <typename... Args>
int ShowMessage(QWidget* owner, const char* caption, unsigned style, const char* fmt,
                Args... args) {
    return ui::detail::ShowFormattedMessage(owner, caption, style, fmt,
                                            ui::detail::ConversionsOf<Args...>::value, args...);
}
