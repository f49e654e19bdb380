#include "engine/TempoOptions.h"

#include <sys/stat.h>

#include <array>
#include <string_view>

#include "lang/DataFolder.h"
#include "engine/IniFile.h"

namespace {

struct TempoOptionKey {
    const char* key;
    audio::DWORD option;
};

constexpr std::array<TempoOptionKey, 6> kTempoOptionKeys{{
    {"BASS_FX_TEMPO_OPTION_USE_AA_FILTER", audio::FX_TEMPO_OPTION_USE_AA_FILTER},
    {"BASS_FX_TEMPO_OPTION_AA_FILTER_LENGTH", audio::FX_TEMPO_OPTION_AA_FILTER_LENGTH},
    {"BASS_FX_TEMPO_OPTION_USE_QUICKALGO", audio::FX_TEMPO_OPTION_USE_QUICKALGO},
    {"BASS_FX_TEMPO_OPTION_SEQUENCE_MS", audio::FX_TEMPO_OPTION_SEQUENCE_MS},
    {"BASS_FX_TEMPO_OPTION_SEEKWINDOW_MS", audio::FX_TEMPO_OPTION_SEEKWINDOW_MS},
    {"BASS_FX_TEMPO_OPTION_OVERLAP_MS", audio::FX_TEMPO_OPTION_OVERLAP_MS},
}};

// A missing key reads as this; so does a key written with it, which is meant to set nothing.
constexpr std::string_view kNoValue = "<none>";
constexpr std::size_t kValueBufferSize = 200;

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::vector<TempoOption> ReadTempoOptions(const std::string& path) {
    std::vector<TempoOption> options;
    if (!IsRegularFile(path)) return options;
    for (const TempoOptionKey& entry : kTempoOptionKeys) {
        const std::string value =
            GetPrivateProfileString("FX", entry.key, kNoValue, kValueBufferSize, path);
        if (value != kNoValue) options.push_back({entry.option, AsciiToInt(value)});
    }
    return options;
}

void ApplyTempoOptions(audio::HSTREAM stream, const std::string& path) {
    for (const TempoOption& option : ReadTempoOptions(path))
        audio::FX_TempoSetOption(stream, option.option, static_cast<audio::DWORD>(option.value));
}

std::string TempoOptionsPath() {
    return DataFolder() + "/FX.ini";
}
