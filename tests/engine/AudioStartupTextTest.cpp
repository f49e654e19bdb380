#include <gtest/gtest.h>

#include "engine/AudioStartupText.h"

namespace {

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

}  // namespace
