#include "app/MprisService.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <cstdlib>

#include "app/QuorvelMainDlg.h"

namespace {

const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBusyError = QStringLiteral("org.mpris.MediaPlayer2.quorvel.Error.Busy");

constexpr int kWatchIntervalMs = 200;
// A position further than this from where playing on would have brought it has jumped.
constexpr qlonglong kSeekToleranceUs = 400'000;

// What a method does while something runs over the window.
enum class WhileBusy { Refused, Taken, TakenWhenItPauses };

struct Method {
    const QString& interface;
    const char* name;
    const char* signature;
    WhileBusy whileBusy;
    void (*run)(CMprisPlayer& player, const QVariantList& arguments);
    // Moves the position: Seeked follows, however short the move.
    bool bSeeks = false;
};

const Method kMethods[] = {
    {kRootInterface, "Raise", "", WhileBusy::Taken,
     [](CMprisPlayer& p, const QVariantList&) { p.Raise(); }},
    {kRootInterface, "Quit", "", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList&) { p.Quit(); }},
    {kPlayerInterface, "Next", "", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList&) { p.Next(); }},
    {kPlayerInterface, "Previous", "", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList&) { p.Previous(); }},
    {kPlayerInterface, "Pause", "", WhileBusy::Taken,
     [](CMprisPlayer& p, const QVariantList&) { p.Pause(); }},
    {kPlayerInterface, "PlayPause", "", WhileBusy::TakenWhenItPauses,
     [](CMprisPlayer& p, const QVariantList&) { p.PlayPause(); }},
    {kPlayerInterface, "Stop", "", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList&) { p.Stop(); }},
    {kPlayerInterface, "Play", "", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList&) { p.Play(); }},
    {kPlayerInterface, "Seek", "x", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList& a) { p.Seek(a.at(0).toLongLong()); }, true},
    {kPlayerInterface, "SetPosition", "ox", WhileBusy::Refused,
     [](CMprisPlayer& p, const QVariantList& a) {
         p.SetPosition(qvariant_cast<QDBusObjectPath>(a.at(0)).path(), a.at(1).toLongLong());
     },
     true},
};

const char kIntrospection[] = R"(  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek">
      <arg name="Offset" type="x" direction="in"/>
    </method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri">
      <arg name="Uri" type="s" direction="in"/>
    </method>
    <signal name="Seeked">
      <arg name="Position" type="x"/>
    </signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read">
      <annotation name="org.qtproject.QtDBus.QtTypeName" value="QVariantMap"/>
    </property>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
    </property>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read">
      <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
    </property>
  </interface>
)";

}  // namespace

std::unique_ptr<CMprisService> CMprisService::Start(CQuorvelMainDlg& window,
                                                    const QDBusConnection& bus) {
    if (!bus.isConnected()) return nullptr;
    std::unique_ptr<CMprisService> service(new CMprisService(window, bus));
    QDBusConnection connection = bus;
    // The object first: a client that sees the name finds the player behind it.
    if (!connection.registerVirtualObject(QString::fromLatin1(kObjectPath), service.get(),
                                          QDBusConnection::SingleNode))
        return nullptr;
    QString name = QString::fromLatin1(kServiceName);
    if (!connection.registerService(name)) {
        name += QStringLiteral(".instance%1").arg(getpid());
        if (!connection.registerService(name)) {
            connection.unregisterObject(QString::fromLatin1(kObjectPath));
            return nullptr;
        }
    }
    service->m_strServiceName = name;
    return service;
}

CMprisService::CMprisService(CQuorvelMainDlg& window, const QDBusConnection& bus)
    : m_player(window), m_bus(bus) {
    m_announced = m_player.PlayerProperties();
    m_nLastPositionUs = m_player.PositionUs();
    m_bLastPlaying = m_player.IsPlaying();
    m_dLastRate = m_player.Rate();
    m_sinceLastLook.start();
    m_watch.setInterval(kWatchIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, &CMprisService::Announce);
    m_watch.start();
}

CMprisService::~CMprisService() {
    if (!m_strServiceName.isEmpty()) m_bus.unregisterService(m_strServiceName);
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool CMprisService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    const QString interface = message.interface();
    if (interface == kPropertiesInterface) return CallProperties(message);
    if (interface == kRootInterface || interface == kPlayerInterface) return CallMethod(message);
    return false;  // introspection and the like: Qt answers them with introspect() below
}

QString CMprisService::introspect(const QString&) const {
    return QString::fromLatin1(kIntrospection);
}

bool CMprisService::CallMethod(const QDBusMessage& message) {
    const QString member = message.member();
    if (message.interface() == kPlayerInterface && member == QLatin1String("OpenUri")) {
        m_bus.send(message.createErrorReply(
            QDBusError::NotSupported, QStringLiteral("Quorvel opens files from its own window")));
        return true;
    }
    for (const Method& method : kMethods) {
        if (method.interface != message.interface() || member != QLatin1String(method.name))
            continue;
        if (message.signature() != QLatin1String(method.signature)) {
            m_bus.send(message.createErrorReply(
                QDBusError::InvalidArgs,
                QStringLiteral("%1 takes (%2)").arg(member, QLatin1String(method.signature))));
            return true;
        }
        const bool taken =
            m_player.TakesCommands() || method.whileBusy == WhileBusy::Taken ||
            (method.whileBusy == WhileBusy::TakenWhenItPauses && m_player.IsPlaying());
        if (!taken) {
            ReplyBusy(message);
            return true;
        }
        const qlonglong before = m_player.PositionUs();
        method.run(m_player, message.arguments());
        m_bus.send(message.createReply());
        if (method.bSeeks && m_player.PositionUs() != before) AnnounceSeek();
        Announce();
        return true;
    }
    m_bus.send(message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("No method %1 in %2").arg(member, message.interface())));
    return true;
}

QVariantMap CMprisService::PropertiesOf(const QString& interface) const {
    if (interface == kRootInterface) return m_player.RootProperties();
    if (interface == kPlayerInterface) {
        QVariantMap properties = m_player.PlayerProperties();
        properties.insert(QStringLiteral("Position"), m_player.PositionUs());
        return properties;
    }
    return {};
}

bool CMprisService::CallProperties(const QDBusMessage& message) {
    const QString member = message.member();
    const QVariantList arguments = message.arguments();
    const QString signature = message.signature();
    if (member == QLatin1String("GetAll") && signature == QLatin1String("s")) {
        m_bus.send(
            message.createReply(QVariant::fromValue(PropertiesOf(arguments.at(0).toString()))));
        return true;
    }
    if (member == QLatin1String("Get") && signature == QLatin1String("ss")) {
        const QVariantMap properties = PropertiesOf(arguments.at(0).toString());
        const auto found = properties.constFind(arguments.at(1).toString());
        if (found == properties.constEnd())
            m_bus.send(message.createErrorReply(
                QDBusError::UnknownProperty,
                QStringLiteral("No property %1 in %2")
                    .arg(arguments.at(1).toString(), arguments.at(0).toString())));
        else
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(*found))));
        return true;
    }
    if (member == QLatin1String("Set") && signature == QLatin1String("ssv")) {
        const QVariant value = qvariant_cast<QDBusVariant>(arguments.at(2)).variant();
        if (SetProperty(message, arguments.at(0).toString(), arguments.at(1).toString(), value)) {
            m_bus.send(message.createReply());
            Announce();
        }
        return true;
    }
    m_bus.send(message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("No method %1 (%2) in %3").arg(member, signature, kPropertiesInterface)));
    return true;
}

bool CMprisService::SetProperty(const QDBusMessage& message, const QString& interface,
                                const QString& name, const QVariant& value) {
    const bool writable = interface == kPlayerInterface &&
                          (name == QLatin1String("Rate") || name == QLatin1String("Volume"));
    if (!writable) {
        const bool known = PropertiesOf(interface).contains(name);
        m_bus.send(message.createErrorReply(
            known ? QDBusError::PropertyReadOnly : QDBusError::UnknownProperty,
            QStringLiteral("%1 of %2 cannot be set").arg(name, interface)));
        return false;
    }
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (!isNumber) {
        m_bus.send(message.createErrorReply(QDBusError::InvalidArgs,
                                            QStringLiteral("%1 is a number (d)").arg(name)));
        return false;
    }
    if (!m_player.TakesCommands()) {
        ReplyBusy(message);
        return false;
    }
    if (name == QLatin1String("Rate"))
        m_player.SetRate(number);
    else
        m_player.SetVolume(number);
    return true;
}

void CMprisService::ReplyBusy(const QDBusMessage& message) {
    m_bus.send(message.createErrorReply(
        kBusyError, QStringLiteral("Quorvel is busy with a dialog, a song's loading or a rip: try "
                                   "again when it is done")));
}

void CMprisService::Announce() {
    const QVariantMap now = m_player.PlayerProperties();
    QVariantMap changed;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it)
        if (m_announced.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    // A jump is looked for within one song, while it is not stopped (a stop goes back to 0).
    const bool sameTrack = !changed.contains(QStringLiteral("Metadata")) &&
                           now.value(QStringLiteral("PlaybackStatus")) != QStringLiteral("Stopped");
    if (!changed.isEmpty()) {
        QDBusMessage signal =
            QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), kPropertiesInterface,
                                       QStringLiteral("PropertiesChanged"));
        signal << kPlayerInterface << changed << QStringList{};
        m_bus.send(signal);
        m_announced = now;
    }

    const qlonglong position = m_player.PositionUs();
    const double elapsedUs = static_cast<double>(m_sinceLastLook.nsecsElapsed()) / 1000.0;
    const qlonglong expected =
        m_nLastPositionUs + (m_bLastPlaying ? static_cast<qlonglong>(elapsedUs * m_dLastRate) : 0);
    if (sameTrack && std::llabs(position - expected) > kSeekToleranceUs)
        AnnounceSeek();
    else {
        m_nLastPositionUs = position;
        m_sinceLastLook.start();
    }
    m_bLastPlaying = now.value(QStringLiteral("PlaybackStatus")) == QStringLiteral("Playing");
    m_dLastRate = now.value(QStringLiteral("Rate")).toDouble();
}

void CMprisService::AnnounceSeek() {
    m_nLastPositionUs = m_player.PositionUs();
    m_sinceLastLook.start();
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     kPlayerInterface, QStringLiteral("Seeked"));
    signal << m_nLastPositionUs;
    m_bus.send(signal);
}
