#include <gtest/gtest.h>

#include <climits>

#include "engine/TimeDisplay.h"

namespace {

TEST(TimeDisplay, SplitTimeTruncatesEachPart) {
    const SplitTimeParts hourOn = SplitTime(3725.25);  // 1 h 2 min 5.25 s
    EXPECT_EQ(hourOn.hours, 1);
    EXPECT_EQ(hourOn.minutes, 2);
    EXPECT_EQ(hourOn.seconds, 5);
    EXPECT_EQ(hourOn.milliseconds, 250);

    const SplitTimeParts almostMinute = SplitTime(59.9996);
    EXPECT_EQ(almostMinute.minutes, 0);
    EXPECT_EQ(almostMinute.seconds, 59);
    EXPECT_EQ(almostMinute.milliseconds, 999);

    const SplitTimeParts zero = SplitTime(0);
    EXPECT_EQ(zero.hours + zero.minutes + zero.seconds + zero.milliseconds, 0);
}

TEST(TimeDisplay, TimeTextShowsMinutesWithinTheHourAndSeconds) {
    EXPECT_EQ(FormatTimeText(3725, 0), "02:05 / 00:00");
    EXPECT_EQ(FormatTimeText(59.9996, 61.5), "00:59 / 01:01");
    EXPECT_EQ(FormatTimeText(0, 0), "00:00 / 00:00");
    EXPECT_EQ(FormatTimeText(0, 3599.999), "00:00 / 59:59");
}

TEST(TimeDisplay, SliderCountsWholeMilliseconds) {
    EXPECT_EQ(SecondsToSliderMs(59.9996), 59999);
    EXPECT_EQ(SecondsToSliderMs(0.0009), 0);
    EXPECT_EQ(SecondsToSliderMs(215.0), 215000);
    // A failing layer reports absurd positions; they must not overflow the slider.
    EXPECT_EQ(SecondsToSliderMs(1e300), INT_MAX);
    EXPECT_EQ(SecondsToSliderMs(-1e300), INT_MIN);
}

}  // namespace
