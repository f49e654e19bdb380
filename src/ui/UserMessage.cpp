#include "ui/UserMessage.h"

#include <QCoreApplication>

namespace ui {

void PostUserMessage(QObject* target, int n, quintptr wParam, qintptr lParam) {
    if (!target) return;
    QCoreApplication::postEvent(target, new UserMessageEvent(n, wParam, lParam));
}

}  // namespace ui
