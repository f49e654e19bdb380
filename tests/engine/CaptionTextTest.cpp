#include <gtest/gtest.h>

#include "engine/CaptionText.h"

namespace {

TEST(CaptionText, FillsFormatsWithTheirArguments) {
    EXPECT_EQ(FormatCaptionText("Tempo: %d%%", 100), "Tempo: 100%");
    EXPECT_EQ(FormatCaptionText("Pitch: %s%d", "+", 1250), "Pitch: +1250");
    EXPECT_EQ(FormatCaptionText("Pitch: %s%d", "", -1), "Pitch: -1");
    EXPECT_EQ(FormatCaptionText("Volumen: %3d", 7), "Volumen:   7");
}

TEST(CaptionText, FormatsNotTakingTheArgumentsAreShownAsTheyStand) {
    // A language file is user data: these must neither crash nor read missing arguments.
    EXPECT_EQ(FormatCaptionText("Tempo: %s", 100), "Tempo: %s");
    EXPECT_EQ(FormatCaptionText("Tempo: %d %d", 100), "Tempo: %d %d");
    EXPECT_EQ(FormatCaptionText("Tempo: 100", 100), "Tempo: 100");
    EXPECT_EQ(FormatCaptionText("Tempo: %*d", 100), "Tempo: %*d");
    EXPECT_EQ(FormatCaptionText("Tempo: %ld", 100), "Tempo: %ld");
    EXPECT_EQ(FormatCaptionText("Pitch: %d%s", "+", 5), "Pitch: %d%s");
    EXPECT_EQ(FormatCaptionText("Pitch %", "+", 5), "Pitch %");
    EXPECT_EQ(FormatCaptionText("Tempo: %2147483648d", 100), "Tempo: %2147483648d");
    EXPECT_EQ(FormatConversions("a %% b %-05.2d %s %x %.1f %G"), "ds?ff");
}

}  // namespace
