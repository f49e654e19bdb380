#pragma once

// A real main window over the real audio layer (SDL's dummy output), with the shipped English
// texts in a private data folder and a scripted user for the message boxes.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <memory>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "lang/LanguageText.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace enginetest {

using Boxes = ui::ModalScript<ui::MessageQuestion>;

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        InstallShippedData(DataFolder());
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        ASSERT_TRUE(m_boxes.Asked().empty());
    }
    void TearDown() override { m_dialog.reset(); }

    CPlaybackEngine& Engine() { return m_dialog->Engine(); }
    QWidget* Item(int id) { return m_dialog->GetDlgItem(id); }
    QSlider* SliderItem(int id) { return qobject_cast<QSlider*>(Item(id)); }
    std::string LabelText(int id) {
        return ui::FromQtText(qobject_cast<QLabel*>(Item(id))->text());
    }
    std::string CaptionText(int id) {
        return ui::FromQtText(qobject_cast<QGroupBox*>(Item(id))->title());
    }
    static std::string Text(int line) { return GetLanguageText(line); }

    // Where test media of one test go.
    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }

    audio::HSTREAM Stream() { return Engine().m_dwBassStream; }
    double PositionSeconds() { return Engine().GetPositionSeconds(); }
    audio::DWORD Activity() { return audio::ChannelIsActive(Stream()); }
    void SetPositionSeconds(double seconds) {
        ASSERT_TRUE(
            audio::ChannelSetPosition(Stream(), audio::ChannelSeconds2Bytes(Stream(), seconds)));
    }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    Boxes m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

}  // namespace enginetest
