#pragma once

#include <string>
#include <string_view>

// Captions of the sound sliders from language formats. A language file is user data: a format
// whose placeholders do not take exactly the arguments given is shown as it stands instead of
// being filled.

// The conversions of a printf format in order ("d", "s" ...); "?" for one this check does not
// accept (widths or precisions from arguments, length modifiers, unknown conversions).
std::string FormatConversions(std::string_view format);

// Fills a format taking one integer ("%d").
std::string FormatCaptionText(const char* format, int value);
// Fills a format taking a string and an integer ("%s%d").
std::string FormatCaptionText(const char* format, const char* text, int value);
