#pragma once

#include <string>
#include <string_view>

#include "ui/MessageText.h"

// Captions of the sound sliders from language formats. A language file is user data: a format
// whose placeholders do not take exactly the arguments given is shown as it stands instead of
// being filled.

// Fills a format taking one integer ("%d").
std::string FormatCaptionText(const char* format, int value);
// Fills a format taking four integers ("%d%d%d%d").
std::string FormatCaptionText(const char* format, int a, int b, int c, int d);
// Fills a format taking a string and an integer ("%s%d").
std::string FormatCaptionText(const char* format, const char* text, int value);
