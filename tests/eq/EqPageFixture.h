#pragma once

// The real main window with its equaliser page, a private data folder holding the settings file,
// and songs written on the spot. Message boxes are answered by a script that records them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "DefaultPresetFile.h"
#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "audio/Audio.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "engine/TestMedia.h"
#include "eq/PresetFile.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "support/NumberedLanguage.h"
#include "ui/ListBox.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/SliderCtrl.h"
#include "ui/TestEnvironment.h"

namespace eqtest {

class EqPageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan",
                           testenv::NumberedLanguage({{45, "text 45 %s"}, {109, "text 109 %d"}}));
    }

    // The main window, created after the test has put its settings file in place.
    void OpenWindow() {
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_page = qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage());
        ASSERT_NE(m_page, nullptr);
    }
    // A window with a song loaded, g_bModified cleared after the load.
    void OpenWithSong() {
        OpenWindow();
        if (HasFatalFailure()) return;
        LoadSong("song.wav");
        g_bModified = 0;
    }

    void LoadSong(const std::string& name) {
        const std::string path = m_media.path().toStdString() + "/" + name;
        // A tone of its own for each name: a file of the same content is the same song, which
        // comes back as it was left.
        testmedia::WriteWav(path, {.seconds = 0.5,
                                   .frequency = 300.0 + static_cast<double>(
                                                            std::hash<std::string>{}(name) % 500)});
        Engine().LoadSong(path);
        ASSERT_NE(Engine().m_dwBassStream, 0u);
    }

    CPlaybackEngine& Engine() { return m_dialog->Engine(); }
    ui::CSliderCtrl* Slider(int band) { return m_page->Slider(band); }
    ui::CListBox* List() { return m_page->PresetList(); }
    QAbstractButton* Button(int id) {
        return qobject_cast<QAbstractButton*>(m_page->GetDlgItem(id));
    }

    void PressButton(int id) { Button(id)->click(); }
    // Moves a slider as the user does: each action is notified to the page.
    void Drag(int band, int position) {
        ui::CSliderCtrl* slider = Slider(band);
        slider->setSliderPosition(position);  // a thumb move: tracked at once
    }
    // A click on a line of the preset list.
    void ClickLine(int line) {
        QListWidgetItem* item = List()->item(line);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(item).center());
    }

    std::vector<int> SliderPositions() {
        std::vector<int> positions;
        for (int band = 0; band < kEqBandCount; ++band) positions.push_back(Slider(band)->value());
        return positions;
    }
    audio::FXPARAMEQ BandParameters(int band) {
        audio::FXPARAMEQ parameters{};
        EXPECT_TRUE(audio::FXGetParameters(m_page->m_hEqFX[band], &parameters));
        return parameters;
    }
    std::vector<float> StreamGains() {
        std::vector<float> gains;
        for (int band = 0; band < kEqBandCount; ++band) gains.push_back(BandParameters(band).fGain);
        return gains;
    }
    std::vector<std::string> ListedNames() {
        std::vector<std::string> names;
        for (int i = 0; i < List()->GetCount(); ++i)
            names.push_back(List()->GetText(i).toStdString());
        return names;
    }
    std::string SettingsFile() { return testenv::ReadFile(PresetFilePath()); }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
    CQuorvelEQPropertyPage* m_page = nullptr;
};

}  // namespace eqtest
