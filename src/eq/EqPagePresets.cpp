// The equaliser page's presets: the table mirrors the settings file, the list shows the table,
// and the three buttons save, create and delete presets.
#include <vector>

#include "eq/PresetFile.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "eq/QuorvelPresetNameDlg.h"
#include "lang/LanguageText.h"
#include "ui/ListBox.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/SliderCtrl.h"

void CQuorvelEQPropertyPage::LoadPresets() {
    if (m_pPresetList) m_pPresetList->ResetContent();
    const std::string path = PresetFilePath();
    // Without a file to read, the table keeps what it had; the list stays empty.
    if (!EnsurePresetFile(path)) return;
    const std::vector<EqPreset> presets = ReadPresets(path);
    m_nPresetCount = 0;
    for (const EqPreset& preset : presets) {
        if (m_nPresetCount >= kMaxEqPresets) break;
        m_arrPresets[m_nPresetCount++] = preset;
        if (m_pPresetList) m_pPresetList->AddString(ui::ToQtText(preset.name));
    }
}

bool CQuorvelEQPropertyPage::SavePresets(bool bCopySliders) {
    const int selected = m_pPresetList ? m_pPresetList->GetCurSel() : -1;
    if (bCopySliders && selected >= 0 && selected < m_nPresetCount)
        for (int band = 0; band < kEqBandCount; ++band)
            m_arrPresets[selected].gains[band] = BandGain(band);
    const std::vector<EqPreset> presets(m_arrPresets.begin(),
                                        m_arrPresets.begin() + m_nPresetCount);
    return WritePresets(PresetFilePath(), presets);
}

void CQuorvelEQPropertyPage::ReportUnwrittenPresets() {
    ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(45), PresetFilePath().c_str());
}

void CQuorvelEQPropertyPage::OnPresetSelChange() {
    if (!m_dwEqStream || !m_pPresetList) return;
    const int selected = m_pPresetList->GetCurSel();
    if (selected < 0 || selected >= m_nPresetCount) return;
    const EqPreset& preset = m_arrPresets[selected];
    for (int band = 0; band < kEqBandCount; ++band) {
        ui::CSliderCtrl* slider = Slider(band);
        if (!slider) continue;
        slider->setValue(-preset.gains[band]);
        OnEqVScroll(slider);
    }
}

void CQuorvelEQPropertyPage::OnPresetSave() {
    // Only a write that worked is confirmed.
    if (!SavePresets(true)) {
        ReportUnwrittenPresets();
        return;
    }
    ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(35));
}

void CQuorvelEQPropertyPage::OnPresetCreate() {
    const std::optional<std::string> name = RunPresetNameDialog(this);
    if (!name) return;
    LoadPresets();
    if (m_nPresetCount >= kMaxEqPresets) {
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(109), kMaxEqPresets);
        return;
    }
    EqPreset& preset = m_arrPresets[m_nPresetCount];
    preset.name = *name;
    for (int band = 0; band < kEqBandCount; ++band) preset.gains[band] = BandGain(band);
    ++m_nPresetCount;
    const bool bWritten = SavePresets(false);
    // A preset the file does not hold is not kept, even when the file cannot be read back.
    if (!bWritten) --m_nPresetCount;
    LoadPresets();
    if (!bWritten) {
        ReportUnwrittenPresets();
        return;
    }
    if (m_pPresetList) m_pPresetList->SetCurSel(m_pPresetList->GetCount() - 1);
}

void CQuorvelEQPropertyPage::OnPresetDelete() {
    const int selected = m_pPresetList ? m_pPresetList->GetCurSel() : -1;
    if (selected < 0 || selected >= m_nPresetCount) {
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(36));
        return;
    }
    for (int i = selected; i + 1 < m_nPresetCount; ++i) m_arrPresets[i] = m_arrPresets[i + 1];
    --m_nPresetCount;
    const bool bWritten = SavePresets(false);
    LoadPresets();
    if (!bWritten) ReportUnwrittenPresets();
}
