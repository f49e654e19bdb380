#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

// Texts are UTF-8 bytes; a carriage return inside a text is a line break, which Qt writes as LF.
QString ToQtText(std::string_view utf8);
std::string FromQtText(const QString& text);

}  // namespace ui
