#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// Message texts are printf formats, and many come from the language file, which is user data: a
// format is only filled when its placeholders take exactly the arguments given. Any other text is
// shown as it stands; a stray "%s" would otherwise read memory that was never passed.

// The conversions of a printf format in order: 'd' for "d" and "i", 's' for "s", 'f' for "f",
// "e" and "g" (either case), '?' for one this check does not accept (widths or precisions from
// arguments, length modifiers, other conversions, a lone '%' at the end). "%%" is none.
std::string FormatConversions(std::string_view format);

// Longer results (a width of a billion) are not made: the format is shown as it stands.
constexpr std::size_t kMaxMessageText = 64 * 1024;

// Fills `format` with arguments whose conversions are `expected` (as FormatConversions writes
// them). A format that does not match, or whose result would be longer than kMaxMessageText
// bytes, is returned unchanged. A null format gives "".
std::string FormatMessageTextV(const char* format, const char* expected, va_list args);
std::string FormatMessageTextChecked(const char* format, const char* expected, ...);

namespace ui::detail {

// The conversion an argument of type T is passed to ('?' for none that is accepted).
template <typename T>
constexpr char ConversionOf() {
    using Plain = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<Plain, const char*> || std::is_same_v<Plain, char*>)
        return 's';
    else if constexpr (std::is_integral_v<Plain> && sizeof(Plain) <= sizeof(int))
        return 'd';
    else if constexpr (std::is_floating_point_v<Plain> && sizeof(Plain) <= sizeof(double))
        return 'f';
    else
        return '?';
}

// The conversions that arguments of these types take, as FormatConversions writes them.
template <typename... Args>
struct ConversionsOf {
    static constexpr char value[] = {ConversionOf<Args>()..., '\0'};
};

}  // namespace ui::detail

// Fills `format` with `args` when its placeholders take exactly them; otherwise the format as it
// stands (see above).
template <typename... Args>
std::string FormatMessageText(const char* format, Args... args) {
    return FormatMessageTextChecked(format, ui::detail::ConversionsOf<Args...>::value, args...);
}
