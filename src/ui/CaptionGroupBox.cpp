#include "ui/CaptionGroupBox.h"

#include <QMouseEvent>

namespace ui {

CCaptionGroupBox::CCaptionGroupBox(bool notify, QWidget* parent)
    : QGroupBox(parent), m_notify(notify) {}

void CCaptionGroupBox::mousePressEvent(QMouseEvent* event) {
    if (!m_notify) {
        QGroupBox::mousePressEvent(event);
        return;
    }
    event->accept();
    if (event->button() == Qt::LeftButton) emit clicked();
}

}  // namespace ui
