#include "engine/TimeDisplay.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Truncation toward zero that saturates instead of overflowing (a failing layer can report
// absurd positions); not-a-number counts as 0.
std::int64_t Truncate(double value) {
    constexpr double kLimit = 9.2e18;
    if (value >= kLimit) return static_cast<std::int64_t>(kLimit);
    if (value <= -kLimit) return -static_cast<std::int64_t>(kLimit);
    if (!(value == value)) return 0;
    return static_cast<std::int64_t>(value);
}

}  // namespace

SplitTimeParts SplitTime(double seconds) {
    const std::int64_t whole = Truncate(seconds);
    return {static_cast<int>(std::min<std::int64_t>(Truncate(seconds / 3600), INT_MAX)),
            static_cast<int>(Truncate(seconds / 60) % 60), static_cast<int>(whole % 60),
            static_cast<int>(Truncate((seconds - std::floor(seconds)) * 1000))};
}

std::string FormatTimeText(double positionSeconds, double lengthSeconds) {
    const SplitTimeParts position = SplitTime(positionSeconds);
    const SplitTimeParts length = SplitTime(lengthSeconds);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d / %02d:%02d", position.minutes, position.seconds,
                  length.minutes, length.seconds);
    return text;
}

int SecondsToSliderMs(double seconds) {
    const std::int64_t ms = Truncate(seconds * 1000);
    if (ms > INT_MAX) return INT_MAX;
    if (ms < INT_MIN) return INT_MIN;
    return static_cast<int>(ms);
}
