// The pointer shapes of the loop editor: 32 x 32 with alpha, hot spot stored as PNG text.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

namespace skingen {

struct PointerShape {
    QString name;  // resource name, e.g. "104"
    QPoint hotSpot;
    QImage image;  // carries the text key "hotspot" = "x,y"
};

std::vector<PointerShape> paintPointerShapes();

}  // namespace skingen
