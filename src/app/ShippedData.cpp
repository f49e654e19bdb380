#include "app/ShippedData.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// Copies one file unless the target exists. Resource files are read-only; the copy must be
// writable so that choosing a language can replace it later.
void CopyIfMissing(const QString& source, const QString& target) {
    if (QFileInfo::exists(target)) return;
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (QFile::copy(source, target))
        QFile::setPermissions(
            target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

void CopyTree(const QString& sourceRoot, const QString& targetRoot, const QStringList& filters) {
    const QDir root(sourceRoot);
    QDirIterator it(sourceRoot, filters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        CopyIfMissing(source, targetRoot + QLatin1Char('/') + root.relativeFilePath(source));
    }
}

}  // namespace

void InstallShippedData(const std::string& dataFolder, const QString& languageSource,
                        const QString& helpSource) {
    const QString target = QString::fromStdString(dataFolder);
    const QString defaultFile = target + QStringLiteral("/Default.lan");
    if (QFileInfo::exists(defaultFile) || !QFileInfo(target).isDir()) return;

    CopyTree(languageSource, target, {QStringLiteral("*.lan")});
    CopyTree(helpSource, target, {});
    CopyIfMissing(languageSource + QStringLiteral("/English.lan"), defaultFile);
}
