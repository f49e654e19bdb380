#include "ui/SkinResource.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cmath>
#include <string>

namespace ui {

namespace {

constexpr std::array<qreal, 3> kScales = {1.0, 1.5, 2.0};
constexpr std::array<const char*, 3> kSuffixes = {"", "@1.5x", "@2x"};

size_t ScaleIndex(qreal devicePixelRatio) {
    for (size_t i = 0; i < kScales.size(); ++i)
        if (devicePixelRatio <= kScales[i] + 0.01) return i;
    return kScales.size() - 1;
}

QString ResourcePath(const QString& folder, const QString& name, size_t scale) {
    return QStringLiteral(":/%1/%2%3.png").arg(folder, name, QLatin1String(kSuffixes[scale]));
}

QString FromView(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

bool HotSpotInPicturePixels() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QPixmap LoadPicture(const QString& path) {
    if (!QFile::exists(path)) return {};
    return QPixmap(path);
}

}  // namespace

qreal SkinScaleFor(qreal devicePixelRatio) {
    return kScales[ScaleIndex(devicePixelRatio)];
}

QPixmap LoadSkinBitmap(std::string_view name) {
    return LoadPicture(ResourcePath(QStringLiteral("skin"), FromView(name), 0));
}

QPixmap LoadSkinBitmap(int id) {
    return LoadSkinBitmap(std::to_string(id));
}

CSkinBitmap::CSkinBitmap(std::string_view name) : m_name(FromView(name)) {
    m_pictures[0] = LoadPicture(ResourcePath(QStringLiteral("skin"), m_name, 0));
    m_loaded[0] = true;
    m_size = m_pictures[0].size();
}

CSkinBitmap::CSkinBitmap(int id) : CSkinBitmap(std::to_string(id)) {}

const QPixmap& CSkinBitmap::ForRatio(qreal devicePixelRatio) const {
    const size_t scale = ScaleIndex(devicePixelRatio);
    if (!m_loaded[scale]) {
        m_loaded[scale] = true;
        QPixmap picture = LoadPicture(ResourcePath(QStringLiteral("skin"), m_name, scale));
        if (!picture.isNull()) {
            picture.setDevicePixelRatio(kScales[scale]);
            m_pictures[scale] = picture;
        }
    }
    return m_pictures[scale].isNull() ? m_pictures[0] : m_pictures[scale];
}

void CSkinBitmap::Draw(QPainter& painter, QPoint at) const {
    if (IsNull()) return;
    const qreal ratio = painter.device()->devicePixelRatio();
    const QPixmap& picture = ForRatio(ratio);
    if (std::abs(picture.devicePixelRatio() - ratio) < 0.01) {
        // Unscaled: the picture's pixels are the screen's.
        painter.drawPixmap(at, picture);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(at, m_size), picture);
    painter.restore();
}

QCursor LoadSkinCursor(int id, qreal devicePixelRatio) {
    const size_t scale = ScaleIndex(devicePixelRatio);
    QImage image(ResourcePath(QStringLiteral("cursors"), QString::number(id), scale));
    qreal imageScale = kScales[scale];
    if (image.isNull()) {
        image = QImage(ResourcePath(QStringLiteral("cursors"), QString::number(id), 0));
        imageScale = 1;
    }
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
            // Qt takes the hot spot in device-independent pixels of a picture with a ratio, but
            // its X11 platform hands it to the server as it is, next to the picture's own pixels.
            const qreal units = HotSpotInPicturePixels() ? 1.0 : imageScale;
            hotX = static_cast<int>(x / units);
            hotY = static_cast<int>(y / units);
        }
    }
    QPixmap picture = QPixmap::fromImage(image);
    picture.setDevicePixelRatio(imageScale);
    return QCursor(picture, hotX, hotY);
}

}  // namespace ui
