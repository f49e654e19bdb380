#include "ui/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace ui {

void ShellOpen(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(path.c_str())));
}

}  // namespace ui
