// A language file whose every line names its number ("text 7"), so that a test sees which text
// the window shows; `lines` puts other texts at the numbers a test needs them (a file name, a
// message with an argument).
#pragma once

#include <map>
#include <string>

namespace testenv {

inline constexpr int kLanguageLines = 167;

inline std::string NumberedLanguage(const std::map<int, std::string>& lines = {}) {
    std::string text;
    for (int line = 1; line <= kLanguageLines; ++line) {
        const auto special = lines.find(line);
        text +=
            (special != lines.end() ? special->second : "text " + std::to_string(line)) + "\r\n";
    }
    return text;
}

}  // namespace testenv
