#pragma once

#include "ui/BitmapButton.h"

namespace ui {

// An owner-drawn button that is never seen and never bound to pictures: it only holds the
// keyboard focus, so that no real button shows its focus picture. Qt only gives the focus
// back to a shown widget when its window is activated again, so it counts as shown, but it
// paints nothing, has no background and takes no mouse input.
class CFocusSink : public CBitmapButton {
    Q_OBJECT
public:
    explicit CFocusSink(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
