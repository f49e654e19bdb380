#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "engine/SongPractice.h"
#include "engine/SoundSettings.h"

class QEvent;
class QGroupBox;
class QLabel;
class QMouseEvent;
class QSlider;
class QWidget;

// What the engine tells the pages of the main window that follow the song. The main window owns
// the pages and fills these in when it creates them; an empty one means that page does not exist.
struct SongPageHooks {
    // Loop editor: take a new song (region reset, zoom 1, waveform rebuilt from `path`).
    std::function<void(audio::HSTREAM stream, const std::string& path)> loopSetSong;
    // Loop editor: forget the playback stream, which is about to go.
    std::function<void()> loopClearStream;
    // Loop editor: repaint the play position and loop markers.
    std::function<void()> loopInvalidate;
    // Loop editor: one of its keys (Qt::Key_N, _M, _B, _Comma, _Period, _Up, _Down, _Z) while a
    // song is loaded.
    std::function<void(int key)> loopKey;
    // Loop editor: Shift pressed (true) or released, song or not; its pointer follows. True
    // when the key is to go on to its target (every release, a press in zoom mode).
    std::function<bool(bool bPressed)> loopShiftKey;
    // Equaliser: put its flat bands on the new playback stream.
    std::function<void()> eqApplyToPlayback;
    // Loop editor, equaliser: what the page has set for the song now (the region, its markers
    // and the view; the nine bands and the chosen preset), as a call that sets it again on the
    // song's next stream.
    std::function<std::function<void()>()> loopKeep;
    std::function<std::function<void()>()> eqKeep;
    // Practice page: one of its keys (Qt::Key_PageDown, _PageUp, _1 to _9, _K) while a song is
    // loaded.
    std::function<void(int key)> practiceKey;
};

// The playback engine of the main window: the loaded song and its playback stream, song loading,
// the transport with its display, and the sound sliders. The main window dispatches its commands,
// slider notifications, posted messages and pre-filtered events here. The engine finds the
// window's controls by their identifiers; the four sound values live in their sliders, the
// equaliser's gains here (its page sets them). All on the user-interface thread.
class CPlaybackEngine : public QObject {
    Q_OBJECT
public:
    using ControlLookup = std::function<QWidget*(int id)>;

    // `window` is the main window (owner of messages, target of posted ones); `getDlgItem` finds
    // its controls, which must exist already.
    CPlaybackEngine(QWidget* window, ControlLookup getDlgItem);
    // Deletes the temporary files of the opened-files register (and releases the layer if the
    // window goes without having been closed).
    ~CPlaybackEngine() override;

    // ---- Start-up and shutdown ----
    // Makes the main window the target of the layer's callbacks.
    void RegisterMainWindow();
    // Version check, output device, decoder plug-ins; false (after a message) when the
    // application must end.
    bool StartAudio();
    // Ranges, start values and enabled state of the position and sound sliders.
    void SetUpSliders();
    // The close handler: false when the user keeps the window open (nothing changes then);
    // otherwise playback is stopped and the layer released. During a song's load it returns
    // false and the close is made again, question and all, once the song is in.
    bool OnClose();

    // ---- Song loading ----
    // Replaces the song by the file at `path`; a failure is shown and changes nothing. The file
    // is opened on a worker thread while the window goes on painting and running its timers and
    // posted messages (user input waits); the call returns once the song is in. A call made
    // while another load is under way does nothing: requests from outside wait for
    // IsLoadingSong to end instead (see COutsideOpen), and a close of the window meanwhile is
    // carried out after the load.
    void LoadSong(const std::string& path);
    // True while LoadSong runs: nothing that loads a song may start in the middle of it.
    bool IsLoadingSong() const { return m_nLoadingSong > 0; }
    // What is set on the loaded song now, to be put back by ReloadSong.
    SongPractice KeepPractice() const;
    // Loads the same song again (its file was let go meanwhile) and puts back what `practice`
    // kept, instead of the settings a new song starts with. A failed load is shown and puts
    // nothing back.
    void ReloadSong(const std::string& path, const SongPractice& practice);
    // Puts `value` on the sound slider `id` (tempo, pitch, volume, vocal reduction) and applies
    // it as a move of the slider would.
    void SetSoundSlider(int id, int value);
    // Shows `value` on the sound slider `id` and its caption without applying it: the stream
    // has it already (the speed trainer's tempo, set by a loop's jump).
    void ShowSoundSlider(int id, int value);

    // ---- Transport ----
    void OnPlay();
    void OnPause();
    void OnStop();
    // Rewrites the time text and position slider, the four slider captions, or both.
    void RefreshDisplay(bool bTime, bool bCaptions);
    double GetPositionSeconds() const;
    bool IsPlaying() const;
    void SeekBackward(float fSeconds);
    void SeekForward(float fSeconds);
    // Moves the song to `fSeconds`, held within the song.
    void SeekTo(double fSeconds);
    bool IsPositionTimerActive() const { return m_timerPosition.isActive(); }

    // ---- Sliders ----
    // A notification of the slider `id` (whatever its kind): acts on its current position.
    void ApplySlider(int id);
    // The arrow buttons 430 to 437 beside the sound sliders: one step of the slider, then
    // ApplySlider. Nothing at the end of the range; tempo and pitch only with a song.
    static bool IsSoundArrow(int id);
    void OnSoundArrow(int id);
    // What the sound controls are set to now: what playback applies, and what a save renders.
    SoundSettings CurrentSoundSettings() const;
    // The equaliser page tells each gain it sets on a band of the playback stream; a new song
    // starts with every band at 0.
    void SetEqGain(int band, int gain);

    // ---- Time-stretching ----
    // Songs play and are saved with `stretcher` (audio::STRETCHER_...) from now on; the loaded
    // song goes over to it at once, from where it is heard. False when the layer refuses it.
    bool SetStretcher(audio::DWORD stretcher);

    // The main window's pre-filter: true swallows the event.
    bool PreTranslateMessage(QObject* target, QEvent* event);

signals:
    // The loaded song is about to go (another song replaces it, its file is let go for a save,
    // the window closes): what is set on it is still in place, its stream still plays.
    void songGoing();
    // The song at `path` is loaded and set up as every new song starts.
    void songLoaded(const std::string& path);
    // The tempo slider was moved, by hand or by a key (percent of the song's tempo).
    void tempoApplied(int tempo);

public:
    // ---- The playback state ----
    audio::HSTREAM m_dwBassStream = 0;          // tempo stream over the song's decoder; 0 = no song
    std::string m_strSongPath;                  // as passed to LoadSong
    std::string m_strSavePath;                  // last Save As target; cleared by every load
    double m_dSongLength = 0;                   // seconds
    std::vector<std::string> m_arrOpenedFiles;  // every path opened, in order
    std::vector<unsigned> m_arrOpenedIsTemp;    // 1 = a temporary file deleted at the end

    SongPageHooks m_pages;

    QWidget* Window() const { return m_pWindow; }
    // The title text (control 500): the song's name, or what the window is busy with.
    void SetTitleText(const std::string& text);
    // The sound values are their sliders' positions.
    QSlider* Slider(int id) const;

private:
    using KeyAction = void (*)(CPlaybackEngine&);
    static KeyAction FindSongKey(int key);

    void EnableSongControls();
    void ApplyVocalReduction(int level);
    void AfterSoundChange();
    // A left press on a sound slider's caption frame resets that slider; true when it did.
    bool OnCaptionClick(const QMouseEvent* event);
    void WriteSliderCaptions();
    void SeekToSliderPosition();
    void SetPositionSeconds(float fSeconds);

    QWidget* m_pWindow;
    ControlLookup m_getDlgItem;
    class LoadingScope;
    int m_nLoadingSong = 0;             // LoadSong calls running
    bool m_bCloseAfterLoading = false;  // the window was asked to close during a load
    bool m_bAudioStarted = false;       // the layer was started here and is not yet released
    QTimer m_timerPosition;             // timer 1037 of the original window: the display refresh

    QPointer<QLabel> m_wndTitle;
    QPointer<QLabel> m_wndTime;
    QPointer<QSlider> m_sliderPosition;
    QPointer<QSlider> m_sliderTempo;
    QPointer<QSlider> m_sliderPitch;
    QPointer<QSlider> m_sliderVolume;
    QPointer<QSlider> m_sliderVocal;
    std::array<int, kEqBandCount> m_arrEqGains{};
    QPointer<QGroupBox> m_wndTempoCaption;
    QPointer<QGroupBox> m_wndPitchCaption;
    QPointer<QGroupBox> m_wndVolumeCaption;
    QPointer<QGroupBox> m_wndVocalCaption;
};

// The layer's sync procedure for the end of the playback stream: posts the end-of-song message
// to the main window, where the stop happens.
void EndSyncProc(audio::HSYNC handle, audio::DWORD channel, audio::DWORD data, void* user);
