#pragma once

#include <QCursor>
#include <QPixmap>
#include <string_view>

namespace ui {

// A skin bitmap by resource name (":/skin/<name>.png"); a null pixmap when it is missing.
QPixmap LoadSkinBitmap(std::string_view name);
QPixmap LoadSkinBitmap(int id);

// A cursor resource (":/cursors/<id>.png") with the hot spot stored in its "hotspot" text
// ("x,y"); the standard arrow when it is missing.
QCursor LoadSkinCursor(int id);

}  // namespace ui
