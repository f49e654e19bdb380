// The application icon at any square size, as pixels or as scalable vectors.
#pragma once

#include <QImage>
#include <QString>

namespace skingen {

QImage paintAppIcon(int size);

// The icon as SVG at a nominal size of 64; the soft shadow, which is made of pixels, is left out.
bool writeAppIconSvg(const QString& path);

}  // namespace skingen
