#include "ui/SkinResource.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>
#include <string>

namespace ui {

QPixmap LoadSkinBitmap(std::string_view name) {
    const QString path = QStringLiteral(":/skin/") +
                         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                         QStringLiteral(".png");
    if (!QFile::exists(path)) return {};
    return QPixmap(path);
}

QPixmap LoadSkinBitmap(int id) {
    return LoadSkinBitmap(std::to_string(id));
}

QCursor LoadSkinCursor(int id) {
    const QString path = QStringLiteral(":/cursors/%1.png").arg(id);
    if (!QFile::exists(path)) return QCursor(Qt::ArrowCursor);
    const QImage image(path);
    if (image.isNull()) return QCursor(Qt::ArrowCursor);
    int hotX = -1;
    int hotY = -1;
    const QStringList hotSpot = image.text(QStringLiteral("hotspot")).split(QLatin1Char(','));
    if (hotSpot.size() == 2) {
        bool okX = false;
        bool okY = false;
        const int x = hotSpot[0].trimmed().toInt(&okX);
        const int y = hotSpot[1].trimmed().toInt(&okY);
        if (okX && okY) {
            hotX = x;
            hotY = y;
        }
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace ui
