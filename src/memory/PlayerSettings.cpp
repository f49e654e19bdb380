#include "memory/PlayerSettings.h"

#include <QSettings>

namespace memory {

namespace {

constexpr char kRestoreKey[] = "Memory/RestoreSongSettings";

}  // namespace

PlayerSettings::PlayerSettings(std::string path) : m_path(std::move(path)) {
    const QSettings file(QString::fromStdString(m_path), QSettings::IniFormat);
    m_bRestoreSongSettings = file.value(QLatin1String(kRestoreKey), true).toBool();
}

void PlayerSettings::Write(const char* key, bool value) {
    QSettings file(QString::fromStdString(m_path), QSettings::IniFormat);
    file.setValue(QLatin1String(key), value);
    file.sync();
}

void PlayerSettings::SetRestoresSongSettings(bool bRestore) {
    m_bRestoreSongSettings = bRestore;
    Write(kRestoreKey, bRestore);
}

}  // namespace memory
