// The application icon at any square size.
#pragma once

#include <QImage>

namespace skingen {

QImage paintAppIcon(int size);

}  // namespace skingen
