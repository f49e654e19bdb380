#pragma once

#include <QCursor>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <array>
#include <string_view>

class QPainter;

namespace ui {

// The skin is drawn at three scales of the screen: ":/skin/<name>.png" at 1x, and
// "<name>@1.5x.png" and "<name>@2x.png" beside it (cursors likewise). A screen is served by the
// smallest scale that is not below its device pixel ratio (the largest above 2), so that a
// picture is shown pixel for pixel on screens of those ratios and is only ever scaled down.
qreal SkinScaleFor(qreal devicePixelRatio);

// A skin bitmap by resource name at 1x; a null pixmap when it is missing.
QPixmap LoadSkinBitmap(std::string_view name);
QPixmap LoadSkinBitmap(int id);

// A skin bitmap at every scale. Its size in device-independent pixels is that of the 1x picture
// whatever the screen, so the layout never changes; the other scales load when a screen first
// asks for them, and a missing one falls back to 1x.
class CSkinBitmap {
public:
    CSkinBitmap() = default;
    explicit CSkinBitmap(std::string_view name);
    explicit CSkinBitmap(int id);

    bool IsNull() const { return m_size.isEmpty(); }
    QSize Size() const { return m_size; }

    // The picture for a screen of `devicePixelRatio`, its own ratio set to its scale.
    const QPixmap& ForRatio(qreal devicePixelRatio) const;

    // Draws the picture at `at` on what `painter` paints: pixel for pixel where the screen's
    // ratio is one of the skin's scales, else smoothly scaled to Size().
    void Draw(QPainter& painter, QPoint at) const;

private:
    QString m_name;
    QSize m_size;
    mutable std::array<QPixmap, 3> m_pictures;  // 1x, 1.5x, 2x
    mutable std::array<bool, 3> m_loaded{};
};

// A cursor resource (":/cursors/<id>.png", at the scale for `devicePixelRatio`) with the hot
// spot stored in its "hotspot" text ("x,y", in the picture's own pixels), given to Qt as the
// window system takes it; the standard arrow when it is missing.
QCursor LoadSkinCursor(int id, qreal devicePixelRatio = 1);

}  // namespace ui
