#include "practice/SongMemoryKeeper.h"

#include <QDateTime>
#include <QSlider>
#include <algorithm>
#include <filesystem>

#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "lang/LanguageText.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "memory/SongFingerprint.h"
#include "practice/QuorvelPracticePage.h"
#include "ui/ShowMessage.h"

static_assert(memory::kRememberedEqBands == kEqBandCount);

namespace {

// The recent list asks the store for more than it shows: some files may be gone.
constexpr int kRecentLookAhead = 50;

}  // namespace

CSongMemoryKeeper::CSongMemoryKeeper(CPlaybackEngine& engine, CQuorvelLoopPropertyPage& loopPage,
                                     CQuorvelEQPropertyPage& eqPage,
                                     CQuorvelPracticePage& practicePage,
                                     const std::string& dataFolder)
    : m_engine(engine),
      m_loopPage(loopPage),
      m_eqPage(eqPage),
      m_practicePage(practicePage),
      m_storePath(dataFolder + "/Practice.sqlite"),
      m_settings(dataFolder + "/Settings.ini"),
      m_memory(m_storePath) {
    connect(&m_engine, &CPlaybackEngine::songLoaded, this, &CSongMemoryKeeper::OnSongLoaded);
    connect(&m_engine, &CPlaybackEngine::songGoing, this, [this] {
        m_practicePage.StopFindingBeat();
        RememberChanges(true);
    });
    m_changeCheck.setInterval(kChangeCheckMs);
    connect(&m_changeCheck, &QTimer::timeout, this, [this] {
        ReportWriteProblem();
        RememberChanges(false);
    });
    m_changeCheck.start();
    m_sincePosition.start();
}

CSongMemoryKeeper::~CSongMemoryKeeper() {
    RememberChanges(true);
    // The memory's destructor writes what is queued before the thread ends.
}

bool CSongMemoryKeeper::IsTemporaryCopy(const std::string& path) const {
    const auto& files = m_engine.m_arrOpenedFiles;
    const auto& temporary = m_engine.m_arrOpenedIsTemp;
    for (size_t i = 0; i < files.size() && i < temporary.size(); ++i)
        if (temporary[i] && files[i] == path) return true;
    return false;
}

void CSongMemoryKeeper::OnSongLoaded(const std::string& path) {
    m_fingerprint.clear();
    m_path = path;
    std::optional<memory::SongMemory> remembered;
    if (!IsTemporaryCopy(path)) {
        if (std::optional<std::string> fingerprint = memory::SongFingerprint(path)) {
            m_fingerprint = *fingerprint;
            remembered = m_memory.Recall(m_fingerprint);
        }
    }
    // Named loops are the user's own list, shown whether or not the settings come back.
    std::vector<memory::NamedLoop> loops;
    if (remembered) loops = remembered->settings.namedLoops;
    const bool bRestore = remembered && m_settings.RestoresSongSettings();
    if (bRestore) Restore(*remembered);
    // The named loop the region came back as counts as chosen, so that the next and previous
    // loops are found from it.
    int chosen = -1;
    for (size_t i = 0; bRestore && chosen < 0 && i < loops.size(); ++i)
        if (loops[i].start == remembered->settings.loopStart &&
            loops[i].end == remembered->settings.loopEnd)
            chosen = static_cast<int>(i);
    m_practicePage.SetSongLoops(std::move(loops), chosen);
    // The beat is the song's, not a setting: kept whether or not the settings come back.
    std::optional<double> beat;
    if (remembered && remembered->settings.beat > 0) beat = remembered->settings.beat;
    m_practicePage.SetSongBeat(beat, path);
    // So are the trainer's values, which a new song starts with the trainer off.
    m_practicePage.Trainer().SetSongValues(remembered ? remembered->settings.trainer
                                                      : memory::TrainerValues{});

    // What the song opened with is not a change.
    m_written = CurrentSettings();
    audio::CHANNELINFO info{};
    m_frameBytes = audio::ChannelGetInfo(m_engine.m_dwBassStream, &info) ? info.chans * 2 : 0;
    m_sampleRate = info.freq;
    m_writtenPosition = audio::ChannelGetPosition(m_engine.m_dwBassStream);
    m_sincePosition.restart();
    if (!m_fingerprint.empty()) {
        memory::SongWrite opened;
        opened.fingerprint = m_fingerprint;
        opened.path = path;
        // Strictly later than the song opened before, however fast they came.
        m_lastOpenedAt = std::max(QDateTime::currentMSecsSinceEpoch(), m_lastOpenedAt + 1);
        opened.openedAt = m_lastOpenedAt;
        m_memory.Remember(std::move(opened));
    }
}

void CSongMemoryKeeper::Restore(const memory::SongMemory& remembered) {
    const memory::SongSettings& settings = remembered.settings;
    m_engine.SetSoundSlider(IDC_TEMPO, settings.tempo);
    m_engine.SetSoundSlider(IDC_PITCH, settings.pitch);
    m_engine.SetSoundSlider(IDC_VOCAL, settings.vocal);
    m_eqPage.SetBands(settings.eqGains, settings.eqPreset);
    m_loopPage.SetLoopStart(settings.loopStart, false);
    m_loopPage.SetLoopEnd(settings.loopEnd, false);
    const audio::HSTREAM stream = m_engine.m_dwBassStream;
    if (remembered.position < audio::ChannelGetLength(stream))
        audio::ChannelSetPosition(stream, remembered.position);
    m_engine.RefreshDisplay(true, true);
    // The song is as it was left, not changed since it was opened.
    g_bModified = 0;
}

memory::SongSettings CSongMemoryKeeper::CurrentSettings() const {
    const SoundSettings sound = m_engine.CurrentSoundSettings();
    memory::SongSettings settings;
    settings.tempo = sound.nTempo;
    settings.pitch = sound.nPitch;
    settings.vocal = sound.nVocalLevel;
    settings.eqGains = m_eqPage.BandGains();
    settings.eqPreset = m_eqPage.ChosenPresetName();
    settings.loopStart = g_loopRegion.qwStartPoint.load();
    settings.loopEnd = g_loopRegion.qwEndPoint;
    settings.namedLoops = m_practicePage.Loops();
    settings.beat = m_practicePage.SongBpm().value_or(0);
    settings.trainer = m_practicePage.Trainer().SongValues();
    return settings;
}

void CSongMemoryKeeper::RememberChanges(bool bWithPosition) {
    const audio::HSTREAM stream = m_engine.m_dwBassStream;
    if (m_fingerprint.empty() || !stream) return;
    memory::SongWrite write;
    write.fingerprint = m_fingerprint;
    write.path = m_path;
    memory::SongSettings now = CurrentSettings();
    if (now != m_written) {
        m_written = now;
        write.settings = std::move(now);
    }
    const audio::QWORD position =
        bWithPosition ? audio::ChannelGetPosition(stream) : ShownPosition();
    // The display's timer runs while the song plays (or is paused, when the position stands
    // still): asking the stream itself would wait for the producer.
    const bool bPositionDue = bWithPosition || !m_engine.IsPositionTimerActive() ||
                              m_sincePosition.elapsed() >= kPlayingPositionMs;
    if (position != m_writtenPosition && bPositionDue) {
        m_writtenPosition = position;
        m_sincePosition.restart();
        write.position = position;
    }
    if (write.settings || write.position) m_memory.Remember(std::move(write));
}

audio::QWORD CSongMemoryKeeper::ShownPosition() const {
    const QSlider* slider = m_engine.Slider(IDC_POSITION);
    if (!slider || m_frameBytes == 0) return m_writtenPosition;
    const auto frames = static_cast<audio::QWORD>(slider->value() / 1000.0 * m_sampleRate);
    return frames * m_frameBytes;
}

std::vector<std::string> CSongMemoryKeeper::RecentSongs() {
    std::vector<std::string> songs;
    for (std::string& path : m_memory.RecentPaths(kRecentLookAhead)) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) continue;
        if (std::find(songs.begin(), songs.end(), path) != songs.end()) continue;
        songs.push_back(std::move(path));
        if (static_cast<int>(songs.size()) == kRecentSongCount) break;
    }
    return songs;
}

void CSongMemoryKeeper::ReportStoreProblem() {
    const memory::StoreOpening& opening = m_memory.Opening();
    QWidget* window = m_engine.Window();
    switch (opening.state) {
        case memory::StoreState::Writable:
            if (!opening.setAsidePath.empty())
                ShowMessage(window, "Quorvel", MB_OK, GetLanguageText(128),
                            opening.setAsidePath.c_str());
            break;
        case memory::StoreState::ReadOnlyNewer:
            ShowMessage(window, "Quorvel", MB_OK, GetLanguageText(129), m_storePath.c_str());
            break;
        case memory::StoreState::ReadOnlyFile:
        case memory::StoreState::Unavailable:
            ShowMessage(window, "Quorvel", MB_OK, GetLanguageText(127), m_storePath.c_str(),
                        opening.problem.c_str());
            break;
    }
}

void CSongMemoryKeeper::ReportWriteProblem() {
    const std::string problem = m_memory.TakeWriteProblem();
    if (!problem.empty())
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(127), m_storePath.c_str(),
                    problem.c_str());
}
