#include "ui/MessageText.h"

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
        else if (std::strchr("fFeEgG", conversion))
            conversions += 'f';
        else
            conversions += '?';
    }
    return conversions;
}

std::string FormatMessageTextV(const char* format, const char* expected, va_list args) {
    if (!format) return {};
    if (!expected || FormatConversions(format) != expected) return format;
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    // Negative when a width overflows the count printf keeps.
    if (length < 0 || static_cast<std::size_t>(length) > kMaxMessageText) return format;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string FormatMessageTextChecked(const char* format, const char* expected, ...) {
    va_list args;
    va_start(args, expected);
    std::string text = FormatMessageTextV(format, expected, args);
    va_end(args);
    return text;
}
