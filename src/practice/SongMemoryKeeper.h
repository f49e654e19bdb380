#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "memory/PlayerSettings.h"
#include "memory/PracticeMemory.h"
#include "memory/SongMemory.h"

class CPlaybackEngine;
class CQuorvelEQPropertyPage;
class CQuorvelLoopPropertyPage;
class CQuorvelPracticePage;

// Remembers what a musician sets on each song, without a Save, and sets it again when the song
// is opened next time, by any way of opening it: the tempo, pitch and vocal reduction, the
// equaliser's bands and chosen preset, the loop region, the play position and the named loops.
// The volume is the listener's, not the song's: it carries over from song to song.
//
// A change is written at most once a second, the play position every five seconds while the
// song plays, and everything at once when the song goes (another replaces it, the window
// closes, the player is told to end). Writing happens on the memory's own thread. A song is
// known by its content (memory/SongFingerprint.h); a CD track's temporary copy is not
// remembered. With restoring turned off songs open as new, and what is set on them is still
// written.
class CSongMemoryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecentSongCount = 10;
    static constexpr int kChangeCheckMs = 1000;
    static constexpr int kPlayingPositionMs = 5000;

    // Opens "Practice.sqlite" and "Settings.ini" in `dataFolder` and follows the engine's songs.
    CSongMemoryKeeper(CPlaybackEngine& engine, CQuorvelLoopPropertyPage& loopPage,
                      CQuorvelEQPropertyPage& eqPage, CQuorvelPracticePage& practicePage,
                      const std::string& dataFolder);
    // Writes what is set on the loaded song and waits until everything is written.
    ~CSongMemoryKeeper() override;

    memory::PlayerSettings& Settings() { return m_settings; }
    memory::PracticeMemory& Memory() { return m_memory; }
    const std::string& StorePath() const { return m_storePath; }

    // The last paths of the songs opened last whose files are still there, newest first.
    std::vector<std::string> RecentSongs();
    // Says once, over the main window, when the memory cannot be used as it should: damaged
    // (and moved aside), from a newer player, or not writable. Nothing when all is well.
    void ReportStoreProblem();
    // Queues what changed on the loaded song since it was last written, the play position
    // included when `bWithPosition` (else it follows its own rhythm).
    void RememberChanges(bool bWithPosition);

private:
    void OnSongLoaded(const std::string& path);
    bool IsTemporaryCopy(const std::string& path) const;
    // Where the song is as the display last showed it (a tenth of a second old at most): the
    // stream's own position waits for the producer while it makes a block, and the change
    // check must never keep the window waiting.
    audio::QWORD ShownPosition() const;
    memory::SongSettings CurrentSettings() const;
    void Restore(const memory::SongMemory& memory);
    // A write that failed is told once, with why.
    void ReportWriteProblem();

    CPlaybackEngine& m_engine;
    CQuorvelLoopPropertyPage& m_loopPage;
    CQuorvelEQPropertyPage& m_eqPage;
    CQuorvelPracticePage& m_practicePage;
    std::string m_storePath;
    memory::PlayerSettings m_settings;
    memory::PracticeMemory m_memory;

    std::string m_fingerprint;  // of the loaded song; empty when it is not remembered
    std::string m_path;
    memory::SongSettings m_written;  // as last queued for writing
    audio::QWORD m_writtenPosition = 0;
    unsigned m_frameBytes = 0;  // of the playback stream
    unsigned m_sampleRate = 0;
    QElapsedTimer m_sincePosition;  // since the position was last queued
    qint64 m_lastOpenedAt = 0;      // milliseconds since the epoch
    QTimer m_changeCheck;
};
