#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "eq/EqPreset.h"
#include "ui/TemplateDialog.h"
#include "ui/ToolTipCtrl.h"

namespace ui {
class CListBox;
class CSliderCtrl;
}  // namespace ui

// The equaliser page (dialog 312), a hidden child of the main window until the EQ button shows
// it. Nine vertical sliders boost or cut the playback stream's nine peaking bands by up to 15 dB
// (the top end is +15 dB, so a band's gain is minus its slider's position). Named presets from the
// settings file set all nine at once; the buttons beside the list save the sliders into the
// selected preset, create a preset under a new name and delete the selected one.
class CQuorvelEQPropertyPage : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 312;
    static constexpr int IDC_EQ_SLIDER_FIRST = 730;  // band 0 (80 Hz); band n is 730 + n
    static constexpr int IDC_EQ_PRESETS = 739;
    static constexpr int IDC_EQ_SAVE = 740;
    static constexpr int IDC_EQ_CREATE = 741;
    static constexpr int IDC_EQ_DELETE = 742;

    explicit CQuorvelEQPropertyPage(QWidget* parent = nullptr);

    // A new playback stream: nine flat bands on it, the controls enabled, every slider at 0 and
    // no preset selected. The previous song's settings are not carried over.
    void ApplyEqToPlayback(audio::HSTREAM stream);
    // The gain of each band as the sliders set it, lowest band first.
    std::array<int, kEqBandCount> BandGains() const;
    // Told each gain the sliders set on a band of the playback stream: the engine keeps them,
    // for a save to take.
    std::function<void(int band, int gain)> m_onBandGainSet;
    // The sliders and the chosen preset as they are now, as a call that sets them again on the
    // playback stream of that time (the same song, loaded anew) without choosing the preset
    // again: the sliders may have moved since it was chosen.
    std::function<void()> KeepBands();
    // The chosen preset's name; empty when none is chosen.
    std::string ChosenPresetName() const;
    // Sets the nine gains on the sliders and the playback stream, and chooses the first preset
    // named `presetName` without applying it (none when no preset has that name).
    void SetBands(const std::array<int, kEqBandCount>& gains, const std::string& presetName);

    // Reads the settings file (written with the default presets when unusable) into the preset
    // table and the list, which ends with no selection.
    void LoadPresets();
    // Rewrites the settings file from the table, after copying the sliders into the selected
    // preset when asked to. False when the file could not be written.
    bool SavePresets(bool bCopySliders);

    void OnEqVScroll(QWidget* slider);
    void OnPresetSelChange();
    void OnPresetSave();
    void OnPresetCreate();
    void OnPresetDelete();

    // The gain in dB its slider gives band `band`.
    int BandGain(int band) const;
    ui::CSliderCtrl* Slider(int band) const;
    ui::CListBox* PresetList() const { return m_pPresetList; }
    const std::vector<std::unique_ptr<ui::CToolTipCtrl>>& ToolTips() const { return m_arrToolTips; }

    audio::HSTREAM m_dwEqStream = 0;  // the stream whose bands the sliders move; 0 before a song
    std::array<audio::HFX, kEqBandCount> m_hEqFX{};
    std::array<EqPreset, kMaxEqPresets> m_arrPresets;
    int m_nPresetCount = 0;

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnVScroll(int code, int position, QWidget* slider) override;
    void paintEvent(QPaintEvent* event) override;
    // The page keeps the presses on its face and on its disabled controls: they neither drag
    // the main window nor open its language menu.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void SetUpSliders();
    void ResetSliders();
    void EnablePresetControls(bool bEnable);
    void CreateToolTips();
    void SetCaptionsFromLanguage();
    // The settings file could not be written: said once, with its path.
    void ReportUnwrittenPresets();

    std::array<ui::CSliderCtrl*, kEqBandCount> m_sliders{};
    ui::CListBox* m_pPresetList = nullptr;
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
};
