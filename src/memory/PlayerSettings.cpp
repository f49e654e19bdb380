#include "memory/PlayerSettings.h"

#include <QSettings>

namespace memory {

namespace {

constexpr char kRestoreKey[] = "Memory/RestoreSongSettings";
constexpr char kStretcherKey[] = "Playback/TimeStretching";
constexpr char kOutputDeviceKey[] = "Playback/OutputDevice";

struct StretcherName {
    audio::DWORD stretcher;
    const char* name;
};
constexpr StretcherName kStretcherNames[] = {
    {audio::STRETCHER_SOUNDTOUCH, "classic"},
    {audio::STRETCHER_FINER, "finer"},
    {audio::STRETCHER_FASTER, "faster"},
};

}  // namespace

PlayerSettings::PlayerSettings(std::string path) : m_path(std::move(path)) {
    const QSettings file(QString::fromStdString(m_path), QSettings::IniFormat);
    m_bRestoreSongSettings = file.value(QLatin1String(kRestoreKey), true).toBool();
    const QString stretcher = file.value(QLatin1String(kStretcherKey)).toString().trimmed();
    for (const StretcherName& known : kStretcherNames)
        if (stretcher.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            m_dwStretcher = known.stretcher;
    m_strOutputDevice = file.value(QLatin1String(kOutputDeviceKey)).toString().toStdString();
}

void PlayerSettings::SetOutputDevice(const std::string& name) {
    m_strOutputDevice = name;
    Write(kOutputDeviceKey, QString::fromStdString(name));
}

void PlayerSettings::SetStretcher(audio::DWORD stretcher) {
    for (const StretcherName& known : kStretcherNames) {
        if (known.stretcher != stretcher) continue;
        m_dwStretcher = stretcher;
        Write(kStretcherKey, QString::fromLatin1(known.name));
    }
}

template <typename Value>
void PlayerSettings::Write(const char* key, const Value& value) {
    QSettings file(QString::fromStdString(m_path), QSettings::IniFormat);
    file.setValue(QLatin1String(key), value);
    file.sync();
}

void PlayerSettings::SetRestoresSongSettings(bool bRestore) {
    m_bRestoreSongSettings = bRestore;
    Write(kRestoreKey, bRestore);
}

}  // namespace memory
