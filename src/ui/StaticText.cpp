#include "ui/StaticText.h"

#include <QPainter>
#include <QStyle>

namespace ui {

CStaticText::CStaticText(bool centred, bool endEllipsis, QWidget* parent)
    : QLabel(parent), m_endEllipsis(endEllipsis) {
    setTextFormat(Qt::PlainText);
    setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    setWordWrap(!endEllipsis);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString CStaticText::DisplayedText() const {
    if (!m_endEllipsis) return text();
    QString line = text();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return fontMetrics().elidedText(line, Qt::ElideRight, contentsRect().width());
}

void CStaticText::paintEvent(QPaintEvent* event) {
    if (!m_endEllipsis) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), DisplayedText(), foregroundRole());
}

}  // namespace ui
