#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a preset value into its tokens: words separated by spaces (only the space: a tab is part
// of a word), where a word that starts with a double quote runs to the next double quote, so that
// a quoted name may hold spaces. A pair of quotes with nothing between gives an empty token.
std::vector<std::string> SplitPresetTokens(std::string_view value);
