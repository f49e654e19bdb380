#include "engine/IniFile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::string CutToBuffer(std::string_view value, std::size_t size) {
    if (size == 0) return {};
    return std::string(value.substr(0, size - 1));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The value of the first `key` in the first `section`; nullopt when there is none or its line
// has no '='.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    bool sectionSeen = false;
    bool inSection = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos) continue;  // not a header: ignored
            if (inSection) return std::nullopt;  // the first section of the name has ended
            inSection = !sectionSeen && EqualNoCase(Trim(line.substr(1, close - 1)), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection || line.empty()) continue;
        const std::size_t equals = line.find('=');
        const std::string_view name = Trim(line.substr(0, equals));
        if (!EqualNoCase(name, key)) continue;
        if (equals == std::string_view::npos) return std::nullopt;
        return Trim(line.substr(equals + 1));
    }
    return std::nullopt;
}

}  // namespace

std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view defaultValue,
                                     std::size_t size) {
    const std::optional<std::string_view> value = FindValue(text, Trim(section), Trim(key));
    return CutToBuffer(value ? Unquote(*value) : defaultValue, size);
}

std::string ReadProfileText(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        std::size_t count;
        while ((count = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) text.clear();
    }
    return text;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t size,
                                    const std::string& path) {
    // A file that cannot be read as a whole holds no keys.
    return GetProfileStringFromText(ReadProfileText(path), section, key, defaultValue, size);
}

int AsciiToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturated either way
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}
