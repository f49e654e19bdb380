#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include "audio/SongTags.h"

class CQuorvelMainDlg;

// The player as the desktop's media controls see it (MPRIS): the state they show, read from the
// main window, and the commands they send, carried out as the window's own buttons, sliders and
// keys carry them out. Times are microseconds, as MPRIS counts them.
class CMprisPlayer : public QObject {
    Q_OBJECT
public:
    // The tempo slider's range as a rate of play.
    static constexpr double kMinimumRate = 0.05;
    static constexpr double kMaximumRate = 4.0;

    explicit CMprisPlayer(CQuorvelMainDlg& window);

    // Properties of org.mpris.MediaPlayer2 and of org.mpris.MediaPlayer2.Player as they are now.
    // The position is left out of the second: it is read on demand (PositionUs) and never
    // announced.
    QVariantMap RootProperties() const;
    QVariantMap PlayerProperties() const;
    qlonglong PositionUs() const;
    double Rate() const;
    bool IsPlaying() const;

    // False while something runs over the window (a dialog, a message box, a menu, a song's
    // load, a rip's progress): then only Raise and Pause are taken.
    bool TakesCommands() const;

    void Raise();
    // Closes the window as its close button does, from the event loop (after the reply).
    void Quit();
    // Without a song these do nothing: a remote control never gets the message box of the Play
    // button.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    // The next and the previous named loop of the song, as Page Down and Page Up choose them.
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    // Ignored unless `trackId` is the loaded song's.
    void SetPosition(const QString& trackId, qlonglong positionUs);
    // Moves the tempo slider to `rate` × 100 %, held within its range; 0 or less pauses.
    void SetRate(double rate);
    void SetVolume(double volume);

private:
    QVariantMap Metadata() const;
    QString TrackId() const;
    bool HasSong() const;
    bool HasNamedLoops() const;
    void OnSongLoaded(const std::string& path);

    CQuorvelMainDlg& m_window;
    int m_nSongsLoaded = 0;  // names each loaded song's track
    audio::SongTags m_tags;
};
