#include "app/MprisPlayer.h"

#include <QDBusObjectPath>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/QuorvelMainDlg.h"
#include "engine/MainWindowIds.h"
#include "engine/SongFile.h"
#include "practice/QuorvelPracticePage.h"
#include "ui/QtText.h"

namespace {

constexpr double kMicroseconds = 1e6;

}  // namespace

CMprisPlayer::CMprisPlayer(CQuorvelMainDlg& window) : m_window(window) {
    connect(&window.Engine(), &CPlaybackEngine::songLoaded, this, &CMprisPlayer::OnSongLoaded);
    if (HasSong()) OnSongLoaded(window.Engine().m_strSongPath);
}

void CMprisPlayer::OnSongLoaded(const std::string& path) {
    ++m_nSongsLoaded;
    m_tags = audio::ReadSongTags(path);
}

bool CMprisPlayer::HasSong() const {
    return m_window.Engine().m_dwBassStream != 0;
}

bool CMprisPlayer::HasNamedLoops() const {
    const CQuorvelPracticePage* page = m_window.PracticePage();
    return HasSong() && page && !page->Loops().empty();
}

bool CMprisPlayer::IsPlaying() const {
    return m_window.Engine().IsPlaying();
}

QString CMprisPlayer::TrackId() const {
    if (!HasSong()) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/org/quorvel/Quorvel/Track/%1").arg(m_nSongsLoaded);
}

QVariantMap CMprisPlayer::Metadata() const {
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId()))}};
    if (!HasSong()) return metadata;
    const CPlaybackEngine& engine = m_window.Engine();
    const std::string& path = engine.m_strSongPath;
    metadata.insert(QStringLiteral("mpris:length"),
                    static_cast<qlonglong>(std::llround(engine.m_dSongLength * kMicroseconds)));
    metadata.insert(QStringLiteral("xesam:title"),
                    ui::ToQtText(m_tags.title.empty() ? SongTitleOf(path) : m_tags.title));
    if (!m_tags.artist.empty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{ui::ToQtText(m_tags.artist)});
    if (!m_tags.album.empty())
        metadata.insert(QStringLiteral("xesam:album"), ui::ToQtText(m_tags.album));
    metadata.insert(QStringLiteral("xesam:url"),
                    QString::fromLatin1(QUrl::fromLocalFile(ui::ToQtText(path)).toEncoded()));
    return metadata;
}

QVariantMap CMprisPlayer::RootProperties() const {
    return {
        {QStringLiteral("Identity"), QStringLiteral("Quorvel")},
        {QStringLiteral("DesktopEntry"), QStringLiteral("org.quorvel.Quorvel")},
        {QStringLiteral("CanQuit"), true},
        {QStringLiteral("CanRaise"), true},
        {QStringLiteral("HasTrackList"), false},
        {QStringLiteral("SupportedUriSchemes"), QStringList{}},
        {QStringLiteral("SupportedMimeTypes"), QStringList{}},
    };
}

QVariantMap CMprisPlayer::PlayerProperties() const {
    const CPlaybackEngine& engine = m_window.Engine();
    QString status = QStringLiteral("Stopped");
    if (HasSong()) {
        const audio::DWORD active = audio::ChannelIsActive(engine.m_dwBassStream);
        if (active == audio::ACTIVE_PLAYING) status = QStringLiteral("Playing");
        if (active == audio::ACTIVE_PAUSED) status = QStringLiteral("Paused");
    }
    const QSlider* volume = engine.Slider(IDC_VOLUME);
    const bool song = HasSong();
    const bool loops = HasNamedLoops();
    return {
        {QStringLiteral("PlaybackStatus"), status},
        {QStringLiteral("Rate"), Rate()},
        {QStringLiteral("MinimumRate"), kMinimumRate},
        {QStringLiteral("MaximumRate"), kMaximumRate},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), volume ? volume->value() / 100.0 : 0.0},
        {QStringLiteral("CanGoNext"), loops},
        {QStringLiteral("CanGoPrevious"), loops},
        {QStringLiteral("CanPlay"), song},
        {QStringLiteral("CanPause"), song},
        {QStringLiteral("CanSeek"), song},
        {QStringLiteral("CanControl"), true},
    };
}

qlonglong CMprisPlayer::PositionUs() const {
    return std::llround(m_window.Engine().GetPositionSeconds() * kMicroseconds);
}

double CMprisPlayer::Rate() const {
    const QSlider* tempo = m_window.Engine().Slider(IDC_TEMPO);
    return tempo ? tempo->value() / 100.0 : 1.0;
}

bool CMprisPlayer::TakesCommands() const {
    return m_window.IsFree();
}

void CMprisPlayer::Raise() {
    m_window.OpenFromOutside({});
}

void CMprisPlayer::Quit() {
    // The close may ask about unsaved changes: never inside the call, whose reply goes first.
    QTimer::singleShot(0, &m_window, [window = &m_window] { window->close(); });
}

void CMprisPlayer::Play() {
    if (HasSong()) m_window.Engine().OnPlay();
}

void CMprisPlayer::Pause() {
    if (IsPlaying()) m_window.Engine().OnPause();
}

void CMprisPlayer::PlayPause() {
    if (IsPlaying())
        Pause();
    else
        Play();
}

void CMprisPlayer::Stop() {
    m_window.Engine().OnStop();
}

void CMprisPlayer::Next() {
    if (HasNamedLoops()) m_window.PracticePage()->OnPracticeKey(Qt::Key_PageDown);
}

void CMprisPlayer::Previous() {
    if (HasNamedLoops()) m_window.PracticePage()->OnPracticeKey(Qt::Key_PageUp);
}

void CMprisPlayer::Seek(qlonglong offsetUs) {
    CPlaybackEngine& engine = m_window.Engine();
    if (HasSong()) engine.SeekTo(engine.GetPositionSeconds() + offsetUs / kMicroseconds);
}

void CMprisPlayer::SetPosition(const QString& trackId, qlonglong positionUs) {
    if (HasSong() && trackId == TrackId()) m_window.Engine().SeekTo(positionUs / kMicroseconds);
}

void CMprisPlayer::SetRate(double rate) {
    if (!HasSong() || std::isnan(rate)) return;
    if (rate <= 0) {
        Pause();
        return;
    }
    const double percent = std::clamp(rate, kMinimumRate, kMaximumRate) * 100;
    m_window.Engine().SetSoundSlider(IDC_TEMPO, static_cast<int>(std::lround(percent)));
}

void CMprisPlayer::SetVolume(double volume) {
    if (std::isnan(volume)) return;
    const double percent = std::clamp(volume, 0.0, 1.0) * 100;
    m_window.Engine().SetSoundSlider(IDC_VOLUME, static_cast<int>(std::lround(percent)));
}
