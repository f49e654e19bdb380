#pragma once

#include <QBasicTimer>
#include <QPoint>

#include "ui/BitmapButton.h"

namespace ui {

// A bitmap button that repeats its click while it is held: a press clicks at once, then once
// every 150 ms while the pointer stays on the button. Once the pointer has left the button the
// repetition ends for that press, even if the pointer comes back. The press does not take the
// pointer for itself, so the controls under a pointer that moves away keep working.
class CAutoRepeatButton : public CBitmapButton {
    Q_OBJECT
public:
    static constexpr int kRepeatMs = 150;

    explicit CAutoRepeatButton(QWidget* parent = nullptr);

    bool IsRepeating() const { return m_timer.isActive(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool PointerIsOnMe() const;

    QBasicTimer m_timer;
    QPoint m_ptPointer;  // last known pointer position, in global coordinates
};

}  // namespace ui
