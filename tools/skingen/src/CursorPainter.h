// The pointer shapes of the loop editor: 32 x 32 device-independent pixels with alpha, at a
// scale of the screen; the hot spot is stored as PNG text in the picture's own pixels.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

namespace skingen {

struct PointerShape {
    QString name;  // resource name, e.g. "104"
    QPoint hotSpot;  // in device-independent pixels
    QImage image;    // carries the text key "hotspot" = "x,y" in its own pixels
};

std::vector<PointerShape> paintPointerShapes(qreal scale = 1);

}  // namespace skingen
