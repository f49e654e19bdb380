#pragma once

#include <QSlider>

namespace ui {

// Scroll notification codes of a slider.
constexpr int TB_LINEUP = 0;
constexpr int TB_LINEDOWN = 1;
constexpr int TB_PAGEUP = 2;
constexpr int TB_PAGEDOWN = 3;
constexpr int TB_THUMBPOSITION = 4;
constexpr int TB_THUMBTRACK = 5;
constexpr int TB_TOP = 6;
constexpr int TB_BOTTOM = 7;
constexpr int TB_ENDTRACK = 8;

// A slider that reports every user action as a scroll notification (after the position has
// changed), the way a trackbar does: line and page steps, thumb tracking, the thumb's release
// and the end of an action. Positions set by the program are not reported.
class CSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CSliderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

signals:
    void scrolled(int code);

protected:
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void OnActionTriggered(int action);

    int m_pendingCode = -1;
    bool m_actionSinceEnd = false;
};

}  // namespace ui
