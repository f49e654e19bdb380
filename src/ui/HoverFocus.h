#pragma once

#include <QPoint>
#include <QPointer>
#include <memory>

class QEvent;
class QObject;
class QWidget;

namespace ui {

class CMessagePreFilter;

// Marks a control whose press does not take the pointer for itself, so that the pointer's moves
// while it is held still move the focus (the arrow buttons).
inline constexpr char kNoMouseCaptureProperty[] = "noMouseCapture";

// The buttons that show their focus picture while the pointer is over them: the main window's
// buttons but the vocal-reduction arrows, and the pages' buttons but the zoom button.
bool TakesHoverFocus(int id);

// The control a pointer at `globalPos` is on, as far as mouse input goes: the deepest visible
// control there that takes mouse input; a disabled control takes none, so its enabled parent is
// meant. Null outside every window of the application.
QWidget* WindowUnderPointer(QPoint globalPos);

// Keyboard focus follows the pointer over a window and its pages: every move of the pointer gives
// the focus to the listed button under it, or to the focus sink.
class CHoverFocus {
public:
    CHoverFocus(QWidget* window, QWidget* focusSink);
    ~CHoverFocus();

    // What one move of the pointer does, with the control under the pointer.
    void OnSetCursor(QWidget* underPointer);

private:
    bool OnEvent(QObject* target, QEvent* event);

    QPointer<QWidget> m_pWindow;
    QPointer<QWidget> m_pFocusSink;
    std::unique_ptr<CMessagePreFilter> m_preFilter;
};

}  // namespace ui
