#include "ui/ShowMessage.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "ui/MessageText.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"

namespace ui {

namespace {

struct BoxButton {
    QMessageBox::StandardButton button;
    int id;
};

// The buttons of a style in their left-to-right order (the default button counts in it).
std::vector<BoxButton> ButtonsOf(unsigned style) {
    switch (style & 0xF) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case 0x2:
            return {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES},
                    {QMessageBox::No, IDNO},
                    {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case 0x5:
            return {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & 0xF0) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int ShowMessageBox(const MessageQuestion& question) {
    QMessageBox box(question.owner);
    box.setWindowTitle(ToQtText(question.caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQtText(question.text));
    box.setIcon(IconOf(question.style));

    const std::vector<BoxButton> buttons = ButtonsOf(question.style);
    std::vector<std::pair<QAbstractButton*, int>> ids;
    for (const BoxButton& b : buttons) ids.emplace_back(box.addButton(b.button), b.id);
    const size_t defaultIndex = (question.style >> 8) & 0xF;
    if (defaultIndex < buttons.size())
        box.setDefaultButton(static_cast<QPushButton*>(ids[defaultIndex].first));

    // A plain box blocks only its owner's window; the system-modal and task-modal ones block
    // the whole application.
    const bool wholeApplication =
        (question.style & (MB_SYSTEMMODAL | MB_TASKMODAL)) != 0 || question.owner == nullptr;
    box.setWindowModality(wholeApplication ? Qt::ApplicationModal : Qt::WindowModal);

    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, id] : ids)
        if (button == clicked) return id;
    // Closed without a button: the answer a closed box gives is Cancel, or No, or OK.
    for (int fallback : {IDCANCEL, IDNO, IDOK})
        for (const BoxButton& b : buttons)
            if (b.id == fallback) return fallback;
    return IDOK;
}

}  // namespace ui

int ui::detail::ShowFormattedMessage(QWidget* owner, const char* caption, unsigned style,
                                     const char* fmt, const char* conversions, ...) {
    va_list args;
    va_start(args, conversions);
    MessageQuestion question{owner, caption ? caption : "",
                             FormatMessageTextV(fmt, conversions, args), style};
    va_end(args);
    return ModalResponder<MessageQuestion>::Ask(question, &ShowMessageBox);
}
