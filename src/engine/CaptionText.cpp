#include "engine/CaptionText.h"

#include <cstdio>
#include <cstring>

std::string FormatConversions(std::string_view format) {
    std::string conversions;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (++i >= format.size()) return conversions + "?";
        if (format[i] == '%') continue;
        while (i < format.size() && std::strchr("-+ #0", format[i])) ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
        if (i < format.size() && format[i] == '.') {
            ++i;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
        }
        if (i >= format.size()) return conversions + "?";
        const char conversion = format[i];
        if (conversion == 'd' || conversion == 'i')
            conversions += 'd';
        else if (conversion == 's')
            conversions += 's';
        else
            conversions += '?';
    }
    return conversions;
}

std::string FormatCaptionText(const char* format, int value) {
    if (FormatConversions(format) != "d") return format;
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string FormatCaptionText(const char* format, const char* text, int value) {
    if (FormatConversions(format) != "sd") return format;
    char caption[512];
    std::snprintf(caption, sizeof caption, format, text, value);
    return caption;
}
