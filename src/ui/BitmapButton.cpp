#include "ui/BitmapButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/ControlId.h"
#include "ui/QtText.h"
#include "ui/SkinResource.h"

namespace ui {

CBitmapButton::CBitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

bool CBitmapButton::LoadBitmaps() {
    const std::string caption = FromQtText(text());
    m_bitmapUp = CSkinBitmap(caption + "U");
    m_bitmapDown = CSkinBitmap(caption + "D");
    m_bitmapFocus = CSkinBitmap(caption + "F");
    m_bitmapDisabled = CSkinBitmap(caption + "X");
    update();
    if (m_bitmapUp.IsNull()) return false;
    resize(m_bitmapUp.Size());
    return true;
}

char CBitmapButton::StateLetter() const {
    if (isDown() && !m_bitmapDown.IsNull()) return 'D';
    if (hasFocus() && !m_bitmapFocus.IsNull()) return 'F';
    if (!isEnabled() && !m_bitmapDisabled.IsNull()) return 'X';
    return 'U';
}

const CSkinBitmap& CBitmapButton::BitmapFor(char letter) const {
    switch (letter) {
        case 'D':
            return m_bitmapDown;
        case 'F':
            return m_bitmapFocus;
        case 'X':
            return m_bitmapDisabled;
        default:
            return m_bitmapUp;
    }
}

QSize CBitmapButton::sizeHint() const {
    return m_bitmapUp.IsNull() ? QAbstractButton::sizeHint() : m_bitmapUp.Size();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    const CSkinBitmap& bitmap = BitmapFor(StateLetter());
    if (bitmap.IsNull()) return;
    QPainter painter(this);
    // Unscaled from the top-left corner, clipped to the button.
    bitmap.Draw(painter, QPoint(0, 0));
}

void CBitmapButton::mousePressEvent(QMouseEvent* event) {
    m_bSecondPressOfDoubleClick = false;  // a release it never saw (the button was disabled)
    QAbstractButton::mousePressEvent(event);
    event->accept();  // a press on a button never reaches the window behind it
}

void CBitmapButton::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bSecondPressOfDoubleClick && event->button() == Qt::LeftButton) {
        // The double click was notified when it was pressed: its release clicks nothing.
        m_bSecondPressOfDoubleClick = false;
        setDown(false);
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void CBitmapButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();  // like a press, it never reaches the window behind the button
    if (event->button() != Qt::LeftButton) return;
    // Only the pressed picture: QAbstractButton would take this press as the start of a click.
    m_bSecondPressOfDoubleClick = true;
    setDown(true);
    emit doubleClicked();
}

bool BindBitmapButton(QWidget* dialog, int id) {
    auto* button = qobject_cast<CBitmapButton*>(FindChildById(dialog, id));
    return button && button->LoadBitmaps();
}

}  // namespace ui
