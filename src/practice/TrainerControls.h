// The speed trainer's part of the practice page: its four values with their − and + buttons,
// the button that turns it on and off (T does the same, Backspace backs off a step), the count-in
// (off or 1 to 8 beats with − and +, before every pass or the first only), and the line that
// tells where it stands ("75 % → 100 %, pass 1 of 2").
//
// It follows the loop's passes by the count of jumps the loop sync makes, and asks that sync to
// set the next step's tempo as it jumps, so that the new tempo starts with the loop's start
// rather than whenever the window looks; the tempo slider then shows it without applying it
// again. A count-in is armed the same way: the jump holds the loop's start while the audio layer
// clicks the song's beat as heard at the next pass's tempo (60 BPM where no beat is known).
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "memory/SongMemory.h"
#include "practice/SpeedTrainer.h"

class CPlaybackEngine;
namespace ui {
class CTemplateDialog;
}

class CTrainerControls : public QObject {
    Q_OBJECT
public:
    static constexpr int IDC_FRAME = 511;
    // Row r (0 start, 1 step, 2 passes, 3 target): its label, −, value and + are these plus r.
    static constexpr int IDC_LABEL = 770;
    static constexpr int IDC_MINUS = 774;
    static constexpr int IDC_VALUE = 778;
    static constexpr int IDC_PLUS = 782;
    static constexpr int IDC_ON = 786;
    static constexpr int IDC_STATE = 787;
    static constexpr int IDC_COUNTIN_LABEL = 788;
    static constexpr int IDC_COUNTIN_MINUS = 789;
    static constexpr int IDC_COUNTIN_VALUE = 790;
    static constexpr int IDC_COUNTIN_PLUS = 791;
    static constexpr int IDC_COUNTIN_MODE = 792;  // before every pass / the first only
    static constexpr int kRows = 4;
    // How often the passes are looked for: well inside the shortest loop a musician repeats.
    static constexpr int kPassCheckMs = 40;
    // The count-in's beat where the song's is not known.
    static constexpr double kNoBeatBpm = 60;

    // `songBpm` gives the song's beat at its own tempo, none where it is not known.
    CTrainerControls(ui::CTemplateDialog& page, CPlaybackEngine& engine,
                     std::function<std::optional<double>()> songBpm);

    void SetCaptionsFromLanguage();
    void Enable(bool bEnable);
    // A new song: the trainer is off, with the song's values.
    void SetSongValues(const memory::TrainerValues& values);
    memory::TrainerValues SongValues() const;

    // T: on with the page's values, or off. Without a loop region it says that one is needed.
    void Toggle();
    // Backspace: one step back at once.
    void BackOff();
    // A − or + button or the count-in's choice (their ids); false for any other id.
    bool OnButton(int id);

    const CSpeedTrainer& Trainer() const { return m_trainer; }
    QString StateText() const;

private:
    void CheckPasses();
    // Applies the trainer's tempo now (on, backing off) and arms the next jump's.
    void ApplyTempoNow();
    void ArmNextJump();
    // The song's beat, as the loop's sync counts a count-in by it (60 BPM where none is known).
    void ShareSongBeat();
    void Show();
    void OnTempoByHand(int tempo);

    ui::CTemplateDialog& m_page;
    CPlaybackEngine& m_engine;
    CSpeedTrainer m_trainer;
    unsigned m_nJumpsSeen = 0;
    bool m_bSettingTempo = false;  // the trainer itself moves the slider
    std::function<std::optional<double>()> m_songBpm;
    QTimer m_passCheck;
};
