#include "practice/QuorvelPracticePage.h"

#include <QApplication>
#include <QGroupBox>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/CaptionText.h"
#include "engine/PlaybackEngine.h"
#include "eq/QuorvelPresetNameDlg.h"
#include "lang/LanguageText.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/PracticePageTemplate.h"
#include "ui/BitmapButton.h"
#include "ui/ControlColours.h"
#include "ui/ListBox.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

namespace {

constexpr NameDialogTexts kLoopNameTexts{130, 131, CQuorvelPracticePage::kMaxLoopNameLength, false};

// m:ss.t, as a musician reads a place in a song.
QString TimeText(double seconds) {
    const int tenths = static_cast<int>(seconds * 10 + 0.5);
    return QStringLiteral("%1:%2.%3")
        .arg(tenths / 600)
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

}  // namespace

CQuorvelPracticePage::CQuorvelPracticePage(QWidget* parent, CPlaybackEngine& engine,
                                           CQuorvelLoopPropertyPage& loopPage)
    : ui::CTemplateDialog(PracticePageTemplate(), parent), m_engine(engine), m_loopPage(loopPage) {
    setWindowFlags(Qt::Widget);  // a page inside its parent
    ui::ApplyControlBackground(this);
    m_pLoopList = GetDlgItem<ui::CListBox>(IDC_LOOP_LIST);
    for (int id : {IDC_LOOPS_FRAME, IDC_BEAT_FRAME})
        if (QWidget* frame = GetDlgItem(id)) {
            frame->setAutoFillBackground(false);
            frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    if (QWidget* beat = GetDlgItem(IDC_BEAT_TEXT)) {
        QFont font = beat->font();
        font.setBold(true);
        beat->setFont(font);
    }
    m_pTrainer = std::make_unique<CTrainerControls>(*this, engine, [this] { return m_songBpm; });
    m_tapClock.start();
    m_beatRefresh.setInterval(250);
    connect(&m_beatRefresh, &QTimer::timeout, this, &CQuorvelPracticePage::RefreshBeat);
}

bool CQuorvelPracticePage::OnInitDialog() {
    m_layout.Apply(this, Template(), 96);
    for (int id : {IDC_LOOP_SAVE, IDC_LOOP_CREATE, IDC_LOOP_DELETE}) ui::BindBitmapButton(this, id);
    CreateToolTips();
    SetCaptionsFromLanguage();
    EnableControls(false);
    return true;
}

void CQuorvelPracticePage::CreateToolTips() {
    static constexpr struct {
        int id;
        int text;
    } kButtonTips[] = {{IDC_LOOP_SAVE, 134}, {IDC_LOOP_CREATE, 135}, {IDC_LOOP_DELETE, 136}};
    for (const auto& tip : kButtonTips) {
        m_arrToolTips.push_back(std::make_unique<ui::CToolTipCtrl>(this));
        ui::AddControlTip(*m_arrToolTips.back(), tip.id, GetLanguageText(tip.text));
    }
}

void CQuorvelPracticePage::SetCaptionsFromLanguage() {
    if (auto* frame = GetDlgItem<QGroupBox>(IDC_LOOPS_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(133)));
    if (auto* frame = GetDlgItem<QGroupBox>(IDC_BEAT_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(139)));
    m_pTrainer->SetCaptionsFromLanguage();
    RefreshBeat();
}

void CQuorvelPracticePage::EnableControls(bool bEnable) {
    for (int id : {IDC_LOOP_LIST, IDC_LOOP_SAVE, IDC_LOOP_CREATE, IDC_LOOP_DELETE, IDC_BEAT_HALF,
                   IDC_BEAT_DOUBLE})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(bEnable);
    m_pTrainer->Enable(bEnable);
}

void CQuorvelPracticePage::SetSongLoops(std::vector<memory::NamedLoop> loops, int chosen) {
    m_loops = std::move(loops);
    ShowLoops(chosen);
    EnableControls(true);
}

QString CQuorvelPracticePage::LineText(const memory::NamedLoop& loop) const {
    const audio::HSTREAM stream = m_engine.m_dwBassStream;
    const double start = audio::ChannelBytes2Seconds(stream, loop.start);
    // A loop without an end runs to the end of the song.
    const double end =
        loop.end ? audio::ChannelBytes2Seconds(stream, loop.end) : m_engine.m_dSongLength;
    return ui::ToQtText(loop.name) + QStringLiteral("   ") + TimeText(start) +
           QStringLiteral(" – ") + TimeText(end);
}

void CQuorvelPracticePage::ShowLoops(int chosen) {
    if (!m_pLoopList) return;
    m_pLoopList->ResetContent();
    for (const memory::NamedLoop& loop : m_loops) m_pLoopList->AddString(LineText(loop));
    m_pLoopList->SetCurSel(chosen);
}

int CQuorvelPracticePage::ChosenLoop() const {
    const int chosen = m_pLoopList ? m_pLoopList->GetCurSel() : -1;
    return chosen >= 0 && chosen < static_cast<int>(m_loops.size()) ? chosen : -1;
}

bool CQuorvelPracticePage::ChooseLoop(int index) {
    if (index < 0 || index >= static_cast<int>(m_loops.size()) || !m_engine.m_dwBassStream)
        return false;
    if (m_pLoopList) m_pLoopList->SetCurSel(index);
    const memory::NamedLoop& loop = m_loops[static_cast<size_t>(index)];
    m_loopPage.SetLoopStart(loop.start, true);
    m_loopPage.SetLoopEnd(loop.end, true);
    // Playing elsewhere, the song goes to the loop at once; inside it, it plays on.
    const audio::HSTREAM stream = m_engine.m_dwBassStream;
    const audio::QWORD position = audio::ChannelGetPosition(stream);
    if (m_engine.IsPlaying() && (position < loop.start || (loop.end && position >= loop.end))) {
        audio::ChannelSetPosition(stream, loop.start);
        m_engine.RefreshDisplay(true, false);
    }
    return true;
}

void CQuorvelPracticePage::SetSongBeat(std::optional<double> remembered, const std::string& path) {
    m_beatReader.Stop();
    m_taps.clear();
    m_songBpm = remembered;
    m_bFindingBeat = !remembered;
    if (m_bFindingBeat) m_beatReader.Start(path);
    m_beatRefresh.start();
    RefreshBeat();
}

void CQuorvelPracticePage::StopFindingBeat() {
    RefreshBeat();  // a beat found meanwhile is taken
    m_beatReader.Stop();
    m_bFindingBeat = false;
}

double CQuorvelPracticePage::TempoFactor() const {
    return m_engine.CurrentSoundSettings().nTempo / 100.0;
}

void CQuorvelPracticePage::RefreshBeat() {
    if (m_bFindingBeat && m_beatReader.IsDone()) {
        m_bFindingBeat = false;
        m_songBpm = m_beatReader.Bpm();
    }
    if (QWidget* text = GetDlgItem(IDC_BEAT_TEXT)) {
        const QString shown = BeatText();
        if (text->property("text").toString() != shown) text->setProperty("text", shown);
    }
    // A count-in with no beat to count says what it counts instead.
    const bool noBeat =
        !m_songBpm && !m_bFindingBeat && m_pTrainer->Trainer().Values().nCountIn > 0;
    if (QWidget* hint = GetDlgItem(IDC_BEAT_HINT)) {
        const QString shown = ui::ToQtText(GetLanguageText(noBeat ? 157 : 140));
        if (hint->property("text").toString() != shown) hint->setProperty("text", shown);
    }
}

QString CQuorvelPracticePage::BeatText() const {
    if (m_songBpm) {
        const int heard = static_cast<int>(std::lround(*m_songBpm * TempoFactor()));
        return ui::ToQtText(FormatCaptionText(GetLanguageText(141), heard));
    }
    return ui::ToQtText(GetLanguageText(m_bFindingBeat ? 142 : 143));
}

void CQuorvelPracticePage::TapBeat(qint64 atMs) {
    if (!m_taps.empty() && atMs - m_taps.back() > kTapResetMs) m_taps.clear();
    m_taps.push_back(atMs);
    if (m_taps.size() > 8) m_taps.erase(m_taps.begin());
    if (m_taps.size() < 4) return;
    const double interval = static_cast<double>(m_taps.back() - m_taps.front()) /
                            static_cast<double>(m_taps.size() - 1);
    if (interval <= 0) return;
    // What the musician taps is the beat as heard; the song's own is at 100 %.
    m_beatReader.Stop();
    m_bFindingBeat = false;
    m_songBpm = 60000.0 / interval / TempoFactor();
    RefreshBeat();
}

void CQuorvelPracticePage::HalveBeat() {
    if (m_songBpm) m_songBpm = *m_songBpm / 2;
    RefreshBeat();
}

void CQuorvelPracticePage::DoubleBeat() {
    if (m_songBpm) m_songBpm = *m_songBpm * 2;
    RefreshBeat();
}

bool CQuorvelPracticePage::OnPracticeKey(int key) {
    switch (key) {
        case Qt::Key_K:
            TapBeat(m_tapClock.elapsed());
            return true;
        case Qt::Key_T:
            m_pTrainer->Toggle();
            return true;
        case Qt::Key_Backspace:
            m_pTrainer->BackOff();
            return true;
        default:
            break;
    }
    const int count = static_cast<int>(m_loops.size());
    if (count == 0) return false;
    const int chosen = ChosenLoop();
    switch (key) {
        case Qt::Key_PageDown:
            return ChooseLoop(chosen < 0 ? 0 : std::min(chosen + 1, count - 1));
        case Qt::Key_PageUp:
            return ChooseLoop(chosen < 0 ? count - 1 : std::max(chosen - 1, 0));
        default:
            if (key >= Qt::Key_1 && key <= Qt::Key_9) return ChooseLoop(key - Qt::Key_1);
            return false;
    }
}

memory::NamedLoop CQuorvelPracticePage::RegionAsLoop(const std::string& name) const {
    return {name, g_loopRegion.qwStartPoint.load(), g_loopRegion.qwEndPoint};
}

void CQuorvelPracticePage::OnLoopSave() {
    const int chosen = ChosenLoop();
    if (chosen < 0) {
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(132));
        return;
    }
    memory::NamedLoop& loop = m_loops[static_cast<size_t>(chosen)];
    loop = RegionAsLoop(loop.name);
    ShowLoops(chosen);
}

void CQuorvelPracticePage::OnLoopCreate() {
    const std::optional<std::string> name = RunNameDialog(this, kLoopNameTexts);
    if (!name) return;
    m_loops.push_back(RegionAsLoop(*name));
    ShowLoops(static_cast<int>(m_loops.size()) - 1);
}

void CQuorvelPracticePage::OnLoopDelete() {
    const int chosen = ChosenLoop();
    if (chosen < 0) {
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(132));
        return;
    }
    m_loops.erase(m_loops.begin() + chosen);
    ShowLoops(-1);
}

void CQuorvelPracticePage::OnCommand(int id, int notifyCode) {
    if (id == IDC_LOOP_LIST) {
        if (notifyCode == ui::LBN_SELCHANGE) ChooseLoop(ChosenLoop());
        return;
    }
    if (notifyCode != ui::BN_CLICKED) return;
    if (m_pTrainer->OnButton(id)) {
        RefreshBeat();  // the hint follows the count-in
        return;
    }
    switch (id) {
        case CTrainerControls::IDC_ON:
            m_pTrainer->Toggle();
            break;
        case IDC_BEAT_HALF:
            HalveBeat();
            break;
        case IDC_BEAT_DOUBLE:
            DoubleBeat();
            break;
        case IDC_LOOP_SAVE:
            OnLoopSave();
            break;
        case IDC_LOOP_CREATE:
            OnLoopCreate();
            break;
        case IDC_LOOP_DELETE:
            OnLoopDelete();
            break;
        default:
            break;
    }
}

void CQuorvelPracticePage::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CQuorvelPracticePage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CQuorvelPracticePage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}
