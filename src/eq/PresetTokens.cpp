#include "eq/PresetTokens.h"

std::vector<std::string> SplitPresetTokens(std::string_view value) {
    std::vector<std::string> tokens;
    std::size_t at = 0;
    for (;;) {
        while (at < value.size() && value[at] == ' ') ++at;
        if (at >= value.size()) break;
        const bool quoted = value[at] == '"';
        if (quoted) ++at;
        const std::size_t end = value.find(quoted ? '"' : ' ', at);
        tokens.emplace_back(value.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return tokens;
}
