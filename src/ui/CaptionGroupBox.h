#pragma once

#include <QGroupBox>

namespace ui {

// A group box: a thin etched frame with its caption at the top left, interrupting the frame's top
// line. Its inside is left to the window's face. It can report left clicks on it; other buttons
// pass through it to the window behind.
class CCaptionGroupBox : public QGroupBox {
    Q_OBJECT
public:
    CCaptionGroupBox(bool notify, QWidget* parent = nullptr);

    // Where the caption is drawn, in the box's coordinates.
    QRect CaptionRect() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_notify;
};

}  // namespace ui
