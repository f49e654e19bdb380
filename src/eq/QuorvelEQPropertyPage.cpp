#include "eq/QuorvelEQPropertyPage.h"

#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>

#include "engine/PlaybackState.h"
#include "eq/EqBands.h"
#include "eq/EqPageTemplate.h"
#include "lang/LanguageText.h"
#include "ui/BitmapButton.h"
#include "ui/ControlColours.h"
#include "ui/ControlId.h"
#include "ui/ListBox.h"
#include "ui/QtText.h"
#include "ui/SliderCtrl.h"

namespace {

constexpr int IDC_EQ_FRAME = 506;
constexpr int IDC_PRESETS_FRAME = 507;

// The scale beside the sliders: ten columns of seven short marks, one every 5 dB.
constexpr int kTickColumns = 10;
constexpr int kTickRows = 7;
constexpr int kTickLeft = 37;
constexpr int kTickColumnStep = 27;
constexpr int kTickTop = 46;
constexpr int kTickRowStep = 19;
constexpr int kTickLength = 5;

}  // namespace

CQuorvelEQPropertyPage::CQuorvelEQPropertyPage(QWidget* parent)
    : ui::CTemplateDialog(EqPageTemplate(), parent) {
    // A page inside its parent, not a window of its own.
    setWindowFlags(Qt::Widget);
    ui::ApplyControlBackground(this);
    // The frames are outlines: what lies inside them is the page's face, scale marks included.
    for (int id : {IDC_EQ_FRAME, IDC_PRESETS_FRAME})
        if (QWidget* frame = GetDlgItem(id)) {
            frame->setAutoFillBackground(false);
            frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    for (int band = 0; band < kEqBandCount; ++band)
        m_sliders[band] = GetDlgItem<ui::CSliderCtrl>(IDC_EQ_SLIDER_FIRST + band);
    m_pPresetList = GetDlgItem<ui::CListBox>(IDC_EQ_PRESETS);
}

bool CQuorvelEQPropertyPage::OnInitDialog() {
    // The scale marks are drawn at fixed pixels: the controls must land on the same ones.
    m_layout.Apply(this, Template(), 96);
    for (int id : {IDC_EQ_SAVE, IDC_EQ_CREATE, IDC_EQ_DELETE}) ui::BindBitmapButton(this, id);
    CreateToolTips();
    SetUpSliders();
    ResetSliders();
    LoadPresets();
    EnablePresetControls(false);
    SetCaptionsFromLanguage();
    return true;
}

void CQuorvelEQPropertyPage::CreateToolTips() {
    static constexpr struct {
        int id;
        int text;
    } kButtonTips[] = {{IDC_EQ_SAVE, 1}, {IDC_EQ_CREATE, 2}, {IDC_EQ_DELETE, 3}};
    for (const auto& tip : kButtonTips) {
        m_arrToolTips.push_back(std::make_unique<ui::CToolTipCtrl>(this));
        ui::AddControlTip(*m_arrToolTips.back(), tip.id, GetLanguageText(tip.text));
    }
}

void CQuorvelEQPropertyPage::SetUpSliders() {
    for (ui::CSliderCtrl* slider : m_sliders) {
        if (!slider) continue;
        slider->setRange(-kEqGainLimit, kEqGainLimit);
        slider->setPageStep(1);
        slider->setSingleStep(1);
        // The minimum at the top, as the gain's +15 dB; keys and wheel move the thumb the way
        // they point.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->SetFillOrigin(0);  // the amber shows the boost or cut
        slider->setEnabled(false);
    }
}

void CQuorvelEQPropertyPage::ResetSliders() {
    for (ui::CSliderCtrl* slider : m_sliders) {
        if (!slider) continue;
        // Past the end first, so that the thumb is redrawn at the centre whatever it showed.
        slider->setValue(20);
        slider->setValue(0);
    }
    if (m_pPresetList) m_pPresetList->SetCurSel(-1);
}

void CQuorvelEQPropertyPage::EnablePresetControls(bool bEnable) {
    for (int id : {IDC_EQ_PRESETS, IDC_EQ_SAVE, IDC_EQ_CREATE, IDC_EQ_DELETE})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(bEnable);
}

void CQuorvelEQPropertyPage::SetCaptionsFromLanguage() {
    if (auto* frame = GetDlgItem<QGroupBox>(IDC_EQ_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(72)));
    if (auto* frame = GetDlgItem<QGroupBox>(IDC_PRESETS_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(73)));
}

ui::CSliderCtrl* CQuorvelEQPropertyPage::Slider(int band) const {
    return band >= 0 && band < kEqBandCount ? m_sliders[band] : nullptr;
}

int CQuorvelEQPropertyPage::BandGain(int band) const {
    const ui::CSliderCtrl* slider = Slider(band);
    return slider ? -slider->value() : 0;
}

void CQuorvelEQPropertyPage::ApplyEqToPlayback(audio::HSTREAM stream) {
    m_dwEqStream = stream;
    m_hEqFX = SetEqBands(stream, {});
    for (ui::CSliderCtrl* slider : m_sliders)
        if (slider) slider->setEnabled(true);
    EnablePresetControls(true);
    ResetSliders();
}

std::array<int, kEqBandCount> CQuorvelEQPropertyPage::BandGains() const {
    std::array<int, kEqBandCount> gains{};
    for (int band = 0; band < kEqBandCount; ++band) gains[band] = BandGain(band);
    return gains;
}

std::function<void()> CQuorvelEQPropertyPage::KeepBands() {
    std::array<int, kEqBandCount> positions{};
    for (int band = 0; band < kEqBandCount; ++band)
        positions[band] = Slider(band) ? Slider(band)->value() : 0;
    const int selected = m_pPresetList ? m_pPresetList->GetCurSel() : -1;
    return [this, positions, selected] {
        for (int band = 0; band < kEqBandCount; ++band)
            if (ui::CSliderCtrl* slider = Slider(band)) {
                slider->setValue(positions[band]);
                OnEqVScroll(slider);
            }
        if (m_pPresetList) m_pPresetList->SetCurSel(selected);
    };
}

std::string CQuorvelEQPropertyPage::ChosenPresetName() const {
    const int selected = m_pPresetList ? m_pPresetList->GetCurSel() : -1;
    return selected >= 0 && selected < m_nPresetCount ? m_arrPresets[selected].name : std::string();
}

void CQuorvelEQPropertyPage::SetBands(const std::array<int, kEqBandCount>& gains,
                                      const std::string& presetName) {
    for (int band = 0; band < kEqBandCount; ++band)
        if (ui::CSliderCtrl* slider = Slider(band)) {
            slider->setValue(-gains[band]);
            OnEqVScroll(slider);
        }
    int chosen = -1;
    for (int i = 0; i < m_nPresetCount && chosen < 0 && !presetName.empty(); ++i)
        if (m_arrPresets[i].name == presetName) chosen = i;
    if (m_pPresetList) m_pPresetList->SetCurSel(chosen);
}

void CQuorvelEQPropertyPage::OnVScroll(int /*code*/, int /*position*/, QWidget* slider) {
    OnEqVScroll(slider);
}

void CQuorvelEQPropertyPage::OnEqVScroll(QWidget* slider) {
    if (!m_dwEqStream) return;
    const int band = ui::GetDlgCtrlID(slider) - IDC_EQ_SLIDER_FIRST;
    if (band < 0 || band >= kEqBandCount) return;
    audio::FXPARAMEQ parameters{};
    audio::FXGetParameters(m_hEqFX[band], &parameters);
    parameters.fGain = static_cast<float>(BandGain(band));
    audio::FXSetParameters(m_hEqFX[band], &parameters);
    if (m_onBandGainSet) m_onBandGainSet(band, BandGain(band));
    g_bModified = 1;
}

void CQuorvelEQPropertyPage::OnCommand(int id, int notifyCode) {
    if (id == IDC_EQ_PRESETS) {
        if (notifyCode == ui::LBN_SELCHANGE) OnPresetSelChange();
        return;
    }
    // The buttons act once per click; a double click's own notification adds nothing (a second
    // Delete would find no line selected).
    if (notifyCode != ui::BN_CLICKED) return;
    switch (id) {
        case IDC_EQ_SAVE:
            OnPresetSave();
            break;
        case IDC_EQ_CREATE:
            OnPresetCreate();
            break;
        case IDC_EQ_DELETE:
            OnPresetDelete();
            break;
        default:
            break;
    }
}

void CQuorvelEQPropertyPage::paintEvent(QPaintEvent* event) {
    ui::CTemplateDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (int column = 0; column < kTickColumns; ++column)
        for (int row = 0; row < kTickRows; ++row) {
            const int x = kTickLeft + kTickColumnStep * column;
            const int y = kTickTop + kTickRowStep * row;
            painter.drawLine(x, y, x + kTickLength - 1, y);  // the end point is left out
        }
}

void CQuorvelEQPropertyPage::mousePressEvent(QMouseEvent* event) {
    event->accept();  // also the second press of a double click, which comes here as a press
}

void CQuorvelEQPropertyPage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CQuorvelEQPropertyPage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}
