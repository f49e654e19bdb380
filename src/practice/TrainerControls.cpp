#include "practice/TrainerControls.h"

#include <QAbstractButton>
#include <QGroupBox>

#include "engine/CaptionText.h"
#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "lang/LanguageText.h"
#include "loop/LoopRegion.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/TemplateDialog.h"

namespace {

constexpr int kStartRow = 0, kStepRow = 1, kPassesRow = 2, kTargetRow = 3;

// The row's value in the trainer's settings.
int& RowValue(CSpeedTrainer::Settings& settings, int row) {
    switch (row) {
        case kStartRow:
            return settings.nStart;
        case kStepRow:
            return settings.nStep;
        case kPassesRow:
            return settings.nPasses;
        default:
            return settings.nTarget;
    }
}

// One press of − or +: tempos move by 5 %, the step and the passes by one.
int RowIncrement(int row) {
    return row == kStartRow || row == kTargetRow ? 5 : 1;
}

QString RowText(const CSpeedTrainer::Settings& settings, int row) {
    switch (row) {
        case kStepRow:
            return QStringLiteral("+%1 %").arg(settings.nStep);
        case kPassesRow:
            return QString::number(settings.nPasses);
        default:
            return QStringLiteral("%1 %").arg(row == kStartRow ? settings.nStart
                                                               : settings.nTarget);
    }
}

}  // namespace

CTrainerControls::CTrainerControls(ui::CTemplateDialog& page, CPlaybackEngine& engine,
                                   std::function<std::optional<double>()> songBpm)
    : m_page(page), m_engine(engine), m_songBpm(std::move(songBpm)) {
    if (QWidget* frame = m_page.GetDlgItem(IDC_FRAME)) {
        frame->setAutoFillBackground(false);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    if (auto* on = m_page.GetDlgItem<QAbstractButton>(IDC_ON)) on->setCheckable(true);
    m_passCheck.setInterval(kPassCheckMs);
    connect(&m_passCheck, &QTimer::timeout, this, &CTrainerControls::CheckPasses);
    connect(&m_engine, &CPlaybackEngine::tempoApplied, this, &CTrainerControls::OnTempoByHand);
    // The trainer belongs to the song it was started on.
    connect(&m_engine, &CPlaybackEngine::songGoing, this, [this] {
        if (m_trainer.IsOn()) Toggle();
    });
}

void CTrainerControls::SetCaptionsFromLanguage() {
    if (auto* frame = m_page.GetDlgItem<QGroupBox>(IDC_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(144)));
    for (int row = 0; row < kRows; ++row)
        if (QWidget* label = m_page.GetDlgItem(IDC_LABEL + row))
            label->setProperty("text", ui::ToQtText(GetLanguageText(145 + row)));
    if (auto* on = m_page.GetDlgItem<QAbstractButton>(IDC_ON))
        on->setText(ui::ToQtText(GetLanguageText(149)));
    if (QWidget* label = m_page.GetDlgItem(IDC_COUNTIN_LABEL))
        label->setProperty("text", ui::ToQtText(GetLanguageText(153)));
    Show();
}

void CTrainerControls::Enable(bool bEnable) {
    for (int row = 0; row < kRows; ++row)
        for (int id : {IDC_MINUS + row, IDC_PLUS + row})
            if (QWidget* button = m_page.GetDlgItem(id)) button->setEnabled(bEnable);
    for (int id : {IDC_ON, IDC_COUNTIN_MINUS, IDC_COUNTIN_PLUS, IDC_COUNTIN_MODE})
        if (QWidget* button = m_page.GetDlgItem(id)) button->setEnabled(bEnable);
}

void CTrainerControls::SetSongValues(const memory::TrainerValues& values) {
    m_trainer.TurnOff();
    m_passCheck.stop();
    g_loopRegion.nTempoAtNextJump = 0;
    g_loopRegion.nCountInAtNextJump = 0;
    m_trainer.SetValues({values.start, values.step, values.passes, values.target, values.countIn,
                         values.countInFirstOnly});
    Show();
}

memory::TrainerValues CTrainerControls::SongValues() const {
    const CSpeedTrainer::Settings& s = m_trainer.Values();
    return {s.nStart, s.nStep, s.nPasses, s.nTarget, s.nCountIn, s.bCountInFirstOnly};
}

void CTrainerControls::Toggle() {
    if (m_trainer.IsOn()) {
        m_trainer.TurnOff();
        m_passCheck.stop();
        g_loopRegion.nTempoAtNextJump = 0;
        g_loopRegion.nCountInAtNextJump = 0;
        Show();
        return;
    }
    if (!m_engine.m_dwBassStream) {
        Show();
        return;
    }
    if (g_loopRegion.qwEndPoint == 0) {
        Show();  // the button stays up
        ShowMessage(&m_page, "Quorvel", MB_OK, GetLanguageText(152));
        return;
    }
    m_trainer.TurnOn();
    m_nJumpsSeen = g_loopRegion.nJumps.load();
    ApplyTempoNow();
    m_passCheck.start();
}

void CTrainerControls::BackOff() {
    if (!m_trainer.IsOn()) return;
    m_trainer.BackOff();
    ApplyTempoNow();
}

bool CTrainerControls::OnButton(int id) {
    if (id == IDC_COUNTIN_MINUS || id == IDC_COUNTIN_PLUS || id == IDC_COUNTIN_MODE) {
        CSpeedTrainer::Settings settings = m_trainer.Values();
        if (id == IDC_COUNTIN_MODE)
            settings.bCountInFirstOnly = !settings.bCountInFirstOnly;
        else if (id == IDC_COUNTIN_MINUS)
            settings.nCountIn = std::max(settings.nCountIn - 1, 0);
        else
            settings.nCountIn =
                settings.nCountIn == 0 ? CSpeedTrainer::kFirstCountIn : settings.nCountIn + 1;
        m_trainer.SetValues(settings);
        ArmNextJump();
        Show();
        return true;
    }
    const bool minus = id >= IDC_MINUS && id < IDC_MINUS + kRows;
    const bool plus = id >= IDC_PLUS && id < IDC_PLUS + kRows;
    if (!minus && !plus) return false;
    const int row = id - (minus ? IDC_MINUS : IDC_PLUS);
    CSpeedTrainer::Settings settings = m_trainer.Values();
    RowValue(settings, row) += minus ? -RowIncrement(row) : RowIncrement(row);
    m_trainer.SetValues(settings);
    // A running trainer takes the new values from its next pass.
    ArmNextJump();
    Show();
    return true;
}

void CTrainerControls::ApplyTempoNow() {
    g_loopRegion.nTempoAtNextJump = 0;
    m_bSettingTempo = true;
    m_engine.SetSoundSlider(IDC_TEMPO, m_trainer.Tempo());
    m_bSettingTempo = false;
    ArmNextJump();
    Show();
}

void CTrainerControls::ArmNextJump() {
    if (!m_trainer.IsOn()) return;
    g_loopRegion.nTempoAtNextJump = m_trainer.TempoAtNextJump();
    ShareSongBeat();
    g_loopRegion.nCountInAtNextJump = m_trainer.CountInAtNextJump();
}

void CTrainerControls::ShareSongBeat() {
    g_loopRegion.dCountInBpm = m_songBpm().value_or(kNoBeatBpm);
}

void CTrainerControls::CheckPasses() {
    const unsigned jumps = g_loopRegion.nJumps.load();
    // Most checks find no new pass: nothing to work out or redraw then, but a beat tapped or
    // found meanwhile counts in the next pass.
    if (!m_trainer.IsOn()) return;
    if (jumps == m_nJumpsSeen) {
        ShareSongBeat();
        return;
    }
    bool changed = false;
    for (; m_nJumpsSeen != jumps; ++m_nJumpsSeen) changed |= m_trainer.OnPass();
    if (changed) m_engine.ShowSoundSlider(IDC_TEMPO, m_trainer.Tempo());
    ArmNextJump();
    Show();
}

void CTrainerControls::OnTempoByHand(int tempo) {
    if (m_bSettingTempo || !m_trainer.IsOn()) return;
    m_trainer.SetTempoByHand(tempo);
    ArmNextJump();
    Show();
}

QString CTrainerControls::StateText() const {
    if (!m_trainer.IsOn()) return ui::ToQtText(GetLanguageText(151));
    return ui::ToQtText(FormatCaptionText(GetLanguageText(150), m_trainer.Tempo(),
                                          m_trainer.Values().nTarget, m_trainer.Pass(),
                                          m_trainer.Values().nPasses));
}

void CTrainerControls::Show() {
    for (int row = 0; row < kRows; ++row)
        if (QWidget* value = m_page.GetDlgItem(IDC_VALUE + row))
            value->setProperty("text", RowText(m_trainer.Values(), row));
    if (auto* on = m_page.GetDlgItem<QAbstractButton>(IDC_ON)) on->setChecked(m_trainer.IsOn());
    const CSpeedTrainer::Settings& s = m_trainer.Values();
    if (QWidget* value = m_page.GetDlgItem(IDC_COUNTIN_VALUE))
        value->setProperty("text", s.nCountIn > 0 ? QString::number(s.nCountIn)
                                                  : ui::ToQtText(GetLanguageText(154)));
    if (auto* mode = m_page.GetDlgItem<QAbstractButton>(IDC_COUNTIN_MODE))
        mode->setText(ui::ToQtText(GetLanguageText(s.bCountInFirstOnly ? 156 : 155)));
    if (QWidget* state = m_page.GetDlgItem(IDC_STATE)) {
        const QString shown = StateText();
        if (state->property("text").toString() != shown) state->setProperty("text", shown);
    }
}
