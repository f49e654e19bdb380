#pragma once

#include <QAbstractButton>

#include "ui/SkinResource.h"

namespace ui {

// An owner-drawn button painted from the bitmap set its caption names: caption + "U" (up, the
// one required), "D" (pressed), "F" (focused), "X" (disabled), each at the scale of the screen
// the button is on. Nothing else is drawn.
//
// A double click notifies clicked() for its first click and doubleClicked() for its second
// press, which shows the button pressed until it is released but is not a click of its own.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBitmapButton(QWidget* parent = nullptr);

    // Loads the set named by the caption and resizes the button to the U bitmap, keeping its
    // top-left corner. False, and nothing to draw, without a U bitmap.
    bool LoadBitmaps();
    bool HasBitmaps() const { return !m_bitmapUp.IsNull(); }

    // The letter of the picture the button shows in its current state ('U', 'D', 'F', 'X').
    char StateLetter() const;

    QSize sizeHint() const override;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const CSkinBitmap& BitmapFor(char letter) const;

    CSkinBitmap m_bitmapUp;
    CSkinBitmap m_bitmapDown;
    CSkinBitmap m_bitmapFocus;
    CSkinBitmap m_bitmapDisabled;
    bool m_bSecondPressOfDoubleClick = false;
};

// Binds the dialog's control `id` as a bitmap button; false when there is no such button or it
// has no U bitmap.
bool BindBitmapButton(QWidget* dialog, int id);

}  // namespace ui
