#include "ui/MessagePreFilter.h"

#include <QCoreApplication>

namespace ui {

CMessagePreFilter::CMessagePreFilter(QWidget* window, Filter filter)
    : m_window(window), m_filter(std::move(filter)) {
    QCoreApplication::instance()->installEventFilter(this);
}

CMessagePreFilter::~CMessagePreFilter() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool CMessagePreFilter::eventFilter(QObject* target, QEvent* event) {
    QWidget* window = m_window.data();
    if (!window || !target->isWidgetType()) return false;
    if (static_cast<QWidget*>(target)->window() != window) return false;
    return m_filter(target, event);
}

}  // namespace ui
