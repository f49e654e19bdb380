#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "memory/SongMemory.h"
#include "practice/SongBeatReader.h"
#include "practice/TrainerControls.h"
#include "ui/TemplateDialog.h"
#include "ui/ToolTipCtrl.h"

namespace ui {
class CListBox;
}  // namespace ui
class CPlaybackEngine;
class CQuorvelLoopPropertyPage;

// The practice page (dialog 317), a hidden child of the main window until the Practice button
// shows it in the equaliser page's place. It lists the song's named loops, each a loop region
// under a name of the user's: choosing one (a click, Page Down / Page Up, a digit 1 to 9) sets
// the loop region and brings playback into it. The buttons beside the list save the region into
// the chosen loop, make a new loop of it under a name asked for, and delete the chosen loop.
//
// Beside the list the page shows the song's beat as heard at the current tempo ("96 BPM" for a
// 120 BPM song at 80 %): found on a thread of its own after the song loads, or set by tapping K
// four times or more (the mean of the last four to eight taps), and halved or doubled by its
// buttons where the detection found half or twice the beat the musician counts. Below the beat,
// the speed trainer (TrainerControls.h).
class CQuorvelPracticePage : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 317;
    static constexpr int IDC_LOOPS_FRAME = 509;
    static constexpr int IDC_LOOP_LIST = 750;
    static constexpr int IDC_LOOP_SAVE = 751;
    static constexpr int IDC_LOOP_CREATE = 752;
    static constexpr int IDC_LOOP_DELETE = 753;
    static constexpr int IDC_BEAT_FRAME = 510;
    static constexpr int IDC_BEAT_TEXT = 760;
    static constexpr int IDC_BEAT_HALF = 761;
    static constexpr int IDC_BEAT_DOUBLE = 762;
    static constexpr int IDC_BEAT_HINT = 763;
    // Taps further apart than this start a new count.
    static constexpr int kTapResetMs = 2000;
    // The longest name a loop takes.
    static constexpr int kMaxLoopNameLength = 100;

    CQuorvelPracticePage(QWidget* parent, CPlaybackEngine& engine,
                         CQuorvelLoopPropertyPage& loopPage);

    // A new song with its named loops: the list shows them with line `chosen` chosen (-1:
    // none), the controls enabled. Nothing else changes: the loop region is the caller's.
    void SetSongLoops(std::vector<memory::NamedLoop> loops, int chosen = -1);
    const std::vector<memory::NamedLoop>& Loops() const { return m_loops; }
    // The chosen loop's index in the list, -1 when none is chosen.
    int ChosenLoop() const;
    // Chooses loop `index` as a click on its line would; false when there is no such loop.
    bool ChooseLoop(int index);

    // The song's beat: `remembered` when the song has one, else found anew from the song at
    // `path` on a thread (the search for the song before is stopped).
    void SetSongBeat(std::optional<double> remembered, const std::string& path);
    // The song goes: its file is not read for the beat any more.
    void StopFindingBeat();
    // The song's beat at its own tempo; none while it is being found or where it has none.
    std::optional<double> SongBpm() const { return m_songBpm; }
    // True while the beat is being found.
    bool IsFindingBeat() const { return m_bFindingBeat; }
    // A tap of the beat as heard, at the moment given (milliseconds on any steady clock).
    void TapBeat(qint64 atMs);
    void HalveBeat();
    void DoubleBeat();
    // What the page shows of the beat.
    QString BeatText() const;

    // A key the main window routes here while a song is loaded: Qt::Key_PageDown and _PageUp
    // choose the next and the previous loop (the first and the last when none is chosen), the
    // digits 1 to 9 the first nine; K taps the beat; T turns the trainer on and off, Backspace
    // backs it off a step. False when the key did nothing.
    bool OnPracticeKey(int key);

    void OnLoopSave();
    void OnLoopCreate();
    void OnLoopDelete();

    ui::CListBox* LoopList() const { return m_pLoopList; }
    CTrainerControls& Trainer() { return *m_pTrainer; }
    const std::vector<std::unique_ptr<ui::CToolTipCtrl>>& ToolTips() const { return m_arrToolTips; }

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    // Presses on the page's face neither drag the main window nor open its menu.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void CreateToolTips();
    void SetCaptionsFromLanguage();
    void EnableControls(bool bEnable);
    // Rewrites the list from m_loops and chooses line `chosen`.
    void ShowLoops(int chosen);
    QString LineText(const memory::NamedLoop& loop) const;
    // The current loop region as a loop named `name`.
    memory::NamedLoop RegionAsLoop(const std::string& name) const;

    // Polls the beat's thread and follows the tempo in the beat's text.
    void RefreshBeat();
    double TempoFactor() const;

    CPlaybackEngine& m_engine;
    CQuorvelLoopPropertyPage& m_loopPage;
    std::vector<memory::NamedLoop> m_loops;
    CSongBeatReader m_beatReader;
    std::optional<double> m_songBpm;
    bool m_bFindingBeat = false;
    std::vector<qint64> m_taps;  // the latest taps, oldest first
    QElapsedTimer m_tapClock;
    QTimer m_beatRefresh;
    ui::CListBox* m_pLoopList = nullptr;
    std::unique_ptr<CTrainerControls> m_pTrainer;
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
};
