#pragma once

#include <QEvent>
#include <QtGlobal>

class QObject;

namespace ui {

// A posted window message WM_USER + n is a posted event of type QEvent::User + n.
constexpr QEvent::Type UserMessageType(int n) {
    return static_cast<QEvent::Type>(QEvent::User + n);
}

class UserMessageEvent : public QEvent {
public:
    UserMessageEvent(int n, quintptr wParam, qintptr lParam)
        : QEvent(UserMessageType(n)), m_wParam(wParam), m_lParam(lParam) {}
    int Number() const { return static_cast<int>(type()) - QEvent::User; }
    quintptr WParam() const { return m_wParam; }
    qintptr LParam() const { return m_lParam; }

private:
    quintptr m_wParam;
    qintptr m_lParam;
};

// Queues WM_USER + n for `target`; safe to call from any thread. The event is delivered on the
// target's thread and dropped if the target is destroyed first.
void PostUserMessage(QObject* target, int n, quintptr wParam = 0, qintptr lParam = 0);

}  // namespace ui
