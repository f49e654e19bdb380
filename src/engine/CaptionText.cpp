#include "engine/CaptionText.h"

#include <cstdio>

// Captions are cut to what a 512-byte buffer holds; a format printf cannot fill at all (a width
// beyond its count) is shown as it stands.

std::string FormatCaptionText(const char* format, int value) {
    if (FormatConversions(format) != "d") return format;
    char text[512];
    if (std::snprintf(text, sizeof text, format, value) < 0) return format;
    return text;
}

std::string FormatCaptionText(const char* format, int a, int b, int c, int d) {
    if (FormatConversions(format) != "dddd") return format;
    char text[512];
    if (std::snprintf(text, sizeof text, format, a, b, c, d) < 0) return format;
    return text;
}

std::string FormatCaptionText(const char* format, const char* text, int value) {
    if (FormatConversions(format) != "sd") return format;
    char caption[512];
    if (std::snprintf(caption, sizeof caption, format, text, value) < 0) return format;
    return caption;
}
