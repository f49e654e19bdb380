#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTimer>
#include <QVariantMap>
#include <memory>

#include "app/MprisPlayer.h"

class CQuorvelMainDlg;

// The player on the session bus as an MPRIS 2 media player, so that media keys, headset buttons,
// pedals bound to media actions, the desktop's "now playing" panel and playerctl control it.
// Calls are answered on the user-interface thread. Changes are announced with PropertiesChanged
// however they came about (a button, a key, the song's end, a call), and a jump of the position
// (a seek, a loop going round) with Seeked: the state is compared with what was announced after
// every call and five times a second.
class CMprisService : public QDBusVirtualObject {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.quorvel";

    // Puts the player on `bus` under kServiceName, or under kServiceName.instance<pid> where
    // another player holds that. Null, quietly, where there is no bus or it refuses: the player
    // then runs as without one.
    static std::unique_ptr<CMprisService> Start(CQuorvelMainDlg& window,
                                                const QDBusConnection& bus);
    ~CMprisService() override;

    QString ServiceName() const { return m_strServiceName; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    CMprisService(CQuorvelMainDlg& window, const QDBusConnection& bus);

    bool CallMethod(const QDBusMessage& message);
    bool CallProperties(const QDBusMessage& message);
    QVariantMap PropertiesOf(const QString& interface) const;
    // Sets a writable property; false (after an error reply) where it cannot be set.
    bool SetProperty(const QDBusMessage& message, const QString& interface, const QString& name,
                     const QVariant& value);
    void ReplyBusy(const QDBusMessage& message);

    // PropertiesChanged for each property that differs from what was announced, and Seeked where
    // the position is not where playing on from the last look would have brought it.
    void Announce();
    void AnnounceSeek();

    CMprisPlayer m_player;
    QDBusConnection m_bus;
    QString m_strServiceName;
    QVariantMap m_announced;  // the player interface's properties as last announced
    QTimer m_watch;

    // Where the position was at the last look, and how it was moving.
    qlonglong m_nLastPositionUs = 0;
    double m_dLastRate = 1;
    bool m_bLastPlaying = false;
    QElapsedTimer m_sinceLastLook;
};
