#include <gtest/gtest.h>

#include <QWidget>

#include "app/DataFolder.h"
#include "app/ShippedData.h"
#include "engine/AudioStartup.h"
#include "engine/AudioStartupText.h"
#include "lang/LanguageText.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

using Boxes = ui::ModalScript<ui::MessageQuestion>;

TEST(AudioStartupText, EachKnownCodeHasItsDescriptionFilledWithTheCode) {
    EXPECT_EQ(InitErrorText(-1), "-1 - General audio initialization problem.");
    EXPECT_EQ(InitErrorText(1), "1 - There is insufficient memory.");
    EXPECT_EQ(InitErrorText(3),
              "3 - There is no available device driver - the device may already be in use.");
    EXPECT_EQ(InitErrorText(6), "6 - The specified format is not supported by the device.");
    EXPECT_EQ(InitErrorText(14), "14 - The device has already been initialized.");
    EXPECT_EQ(InitErrorText(21), "21 - The device has no 3D support.");
    EXPECT_EQ(InitErrorText(23),
              "23 - The device number specified is invalid (is there a sound card on this "
              "system, and are its drivers installed?)");
    for (int code : {0, 2, 5, 8, 37, 100}) EXPECT_EQ(InitErrorText(code), "") << code;
}

TEST(AudioStartupText, OnlyInterfaceVersionTwoPointThreeIsAccepted) {
    EXPECT_TRUE(IsSupportedAudioVersion(audio::VERSION));
    EXPECT_TRUE(IsSupportedAudioVersion(0x0203FFFF));
    EXPECT_FALSE(IsSupportedAudioVersion(0x02040000));
    EXPECT_FALSE(IsSupportedAudioVersion(0x02020000));
    EXPECT_FALSE(IsSupportedAudioVersion(0x00000203));
}

TEST(AudioStartup, WrongVersionStopsBeforeTheDeviceIsOpened) {
    testenv::TempAppData appData;
    InstallShippedData(DataFolder());
    g_szLanguageFile = DataFolder() + "/Default.lan";
    QWidget window;
    Boxes boxes(IDOK);

    EXPECT_FALSE(StartAudioEngine(&window, 0x02040000));

    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].text, std::string(GetLanguageText(33)));
    EXPECT_EQ(boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(boxes.Asked()[0].style, static_cast<unsigned>(MB_OK));
    EXPECT_EQ(boxes.Asked()[0].owner, &window);
}

}  // namespace
