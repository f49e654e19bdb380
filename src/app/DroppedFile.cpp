#include "app/DroppedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

std::optional<std::string> DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (!QFileInfo(path).isFile()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}
