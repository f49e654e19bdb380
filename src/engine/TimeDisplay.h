#pragma once

#include <string>

// A number of seconds split into clock parts, each truncated toward zero.
struct SplitTimeParts {
    int hours;
    int minutes;       // 0..59
    int seconds;       // 0..59
    int milliseconds;  // 0..999
};

// For non-negative seconds; the minutes are those within the hour.
SplitTimeParts SplitTime(double seconds);

// The time text of the main window: "mm:ss / mm:ss" of the position and the length (hours are
// not shown).
std::string FormatTimeText(double positionSeconds, double lengthSeconds);

// Seconds as the position slider counts them: whole milliseconds, truncated toward zero and
// kept within the slider's integer range.
int SecondsToSliderMs(double seconds);
