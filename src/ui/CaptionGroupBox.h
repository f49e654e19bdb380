#pragma once

#include <QGroupBox>

namespace ui {

// A group box (a frame with its caption at the top left) that can report clicks on it.
class CCaptionGroupBox : public QGroupBox {
    Q_OBJECT
public:
    CCaptionGroupBox(bool notify, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_notify;
};

}  // namespace ui
