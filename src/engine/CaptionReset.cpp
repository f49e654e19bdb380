#include <QMouseEvent>
#include <QSlider>

#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "ui/ControlId.h"

namespace {

struct CaptionDefault {
    int caption;
    int slider;
    int value;
};

// A click on a slider's framed caption puts the slider back to where it starts.
constexpr CaptionDefault kCaptionDefaults[] = {
    {IDC_TEMPO_CAPTION, IDC_TEMPO, 100},
    {IDC_PITCH_CAPTION, IDC_PITCH, 0},
    {IDC_VOLUME_CAPTION, IDC_VOLUME, 50},
    {IDC_VOCAL_CAPTION, IDC_VOCAL, 0},
};

// The topmost child of `parent` whose rectangle holds `point` (parent coordinates), disabled
// ones included; `parent` itself when there is none. The sliders and arrows lie above the
// caption frames around them, so a click on one of them finds that control.
QWidget* ChildWindowFromPoint(QWidget* parent, const QPoint& point) {
    for (QWidget* child : ui::ChildWindowsTopFirst(parent))
        if (!child->isHidden() && child->geometry().contains(point)) return child;
    return parent;
}

}  // namespace

bool CPlaybackEngine::OnCaptionClick(const QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    const QPoint point = m_pWindow->mapFromGlobal(event->globalPosition().toPoint());
    const int id = ui::GetDlgCtrlID(ChildWindowFromPoint(m_pWindow, point));
    for (const CaptionDefault& reset : kCaptionDefaults) {
        if (reset.caption != id) continue;
        // With or without a song: without one only the volume reaches beyond its slider.
        if (QSlider* slider = Slider(reset.slider)) slider->setValue(reset.value);
        ApplySlider(reset.slider);
        return true;
    }
    return false;
}
