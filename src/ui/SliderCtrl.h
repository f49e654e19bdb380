#pragma once

#include <QPoint>
#include <QSlider>
#include <optional>
#include <vector>

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
//
// Drawn in the skin's look: a sunken channel, amber up to the thumb, tick marks below a thumb
// that points at them. A press on the channel pages towards the pointer and, while held, keeps
// paging until the thumb has reached the pointer.
class CSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CSliderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // The thumb's length across the channel, in pixels (at most the control's thickness).
    void SetThumbLength(int length);
    int GetThumbLength() const { return m_nThumbLength; }

    // Tick marks: either at the given positions only, or automatically every `frequency` from
    // the minimum, with the minimum and the maximum always marked. None by default.
    void SetTicks(std::vector<int> positions);
    void SetTicFreq(int frequency);
    void ClearTicks();
    // The positions marked now, in increasing order.
    std::vector<int> TickPositions() const;
    bool HasTicks() const { return !m_ticks.empty() || m_nTicFreq > 0; }

    // Where the amber of the channel starts: the minimum's end unless a value is given (a gain
    // slider fills from its 0 to the thumb, either way).
    void SetFillOrigin(std::optional<int> value);
    std::optional<int> FillOrigin() const { return m_fillOrigin; }

signals:
    void scrolled(int code);

protected:
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnActionTriggered(int action);
    // +1 when the pointer lies beyond the thumb on the maximum's side, -1 on the minimum's,
    // 0 on the thumb.
    int SideOfPointer() const;

    int m_pendingCode = -1;
    bool m_actionSinceEnd = false;
    int m_nThumbLength = 14;
    std::vector<int> m_ticks;
    int m_nTicFreq = 0;
    std::optional<int> m_fillOrigin;
    QPoint m_ptPointer;  // last pointer position while a button is held, in own coordinates
};

}  // namespace ui
