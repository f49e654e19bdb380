#include "memory/SongFingerprint.h"

#include <QCryptographicHash>
#include <QFile>

namespace memory {

std::optional<std::string> SongFingerprint(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QByteArray head = file.read(kFingerprintEdgeBytes);
    if (head.size() != std::min<qint64>(size, kFingerprintEdgeBytes)) return std::nullopt;
    hash.addData(head);
    // A short file is read once: its tail is already in its head.
    if (size > kFingerprintEdgeBytes) {
        const qint64 tailStart = std::max(kFingerprintEdgeBytes, size - kFingerprintEdgeBytes);
        if (!file.seek(tailStart)) return std::nullopt;
        const QByteArray tail = file.read(size - tailStart);
        if (tail.size() != size - tailStart) return std::nullopt;
        hash.addData(tail);
    }
    return std::to_string(size) + ":" + hash.result().toHex().toStdString();
}

}  // namespace memory
