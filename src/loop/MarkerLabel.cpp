#include "loop/MarkerLabel.h"

#include <cstdio>

std::string MarkerLabel(audio::HSTREAM stream, audio::QWORD position) {
    const double exact = audio::ChannelBytes2Seconds(stream, position);
    auto seconds = exact > 0 ? static_cast<unsigned>(exact) : 0u;
    const audio::QWORD second = audio::ChannelSeconds2Bytes(stream, 1.0f);
    // Hundredths from the bytes past the whole second, rounded to the nearest.
    int hundredths = second && second != audio::QWORD(-1)
                         ? static_cast<int>(double(position % second) * 100 / double(second) + 0.5)
                         : 0;
    // The last few bytes of a second round up into the next one, never to ".100".
    if (hundredths >= 100) {
        hundredths -= 100;
        ++seconds;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u.%02d", seconds / 60, seconds % 60, hundredths);
    return text;
}
