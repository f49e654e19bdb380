#include "eq/PresetFile.h"

#include <sys/stat.h>

#include <QSaveFile>
#include <QString>
#include <algorithm>

#include "lang/DataFolder.h"
#include "engine/IniFile.h"
#include "eq/PresetTokens.h"

namespace {

// Smaller than this, a file cannot hold even one preset: it is replaced by the defaults.
constexpr off_t kSmallestUsableFile = 14;
// The profile reader's buffer: longer values are cut to one byte less.
constexpr std::size_t kValueBuffer = 200;

// Lines end with CR LF, as the file has always been written.
constexpr const char* kDefaultContents =
    "[Language]\r\n"
    "Language=English\r\n"
    "[EQPresets]\r\n"
    "Preset0=\"Reset\" 0 0 0 0 0 0 0 0 0\r\n"
    "Preset1=\"Volume +5\" 5 5 5 5 5 5 5 5 5\r\n"
    "Preset2=\"Volume +10\" 10 10 10 10 10 10 10 10 10\r\n"
    "Preset3=\"Classical\" 10 7 5 3 0 3 7 5 0\r\n"
    "Preset4=\"Rock\" 0 2 3 -1 -1 0 0 4 4\r\n"
    "Preset5=\"Acoustic\" 0 2 0 0 0 0 0 2 2\r\n"
    "Preset6=\"Vocal\" -2 2 6 6 -2 -2 -2 -2 -2\r\n"
    "Preset7=\"Bass\" 15 10 8 6 0 -3 -6 -8 -8\r\n";

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
void CutToWholeCharacters(std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
}

bool WriteWhole(const std::string& path, const std::string& contents) {
    // Written beside the file and renamed over it: an interrupted write never loses the presets.
    QSaveFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(contents.data(), static_cast<qint64>(contents.size())) !=
        static_cast<qint64>(contents.size()))
        return false;
    return file.commit();
}

}  // namespace

std::string PresetFilePath() {
    return DataFolder() + "/Quorvel.ini";
}

bool EnsurePresetFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= kSmallestUsableFile)
        return true;
    return WriteWhole(path, kDefaultContents);
}

std::vector<EqPreset> ReadPresets(const std::string& path) {
    const std::string text = ReadProfileText(path);
    std::vector<EqPreset> presets;
    for (int i = 0; i < kMaxEqPresets; ++i) {
        const std::string value = GetProfileStringFromText(
            text, "EQPresets", "Preset" + std::to_string(i), "<none>", kValueBuffer);
        // A missing key gives the default, recognised by its first character.
        if (value.empty() || value[0] == '<') continue;
        const std::vector<std::string> tokens = SplitPresetTokens(value);
        if (tokens.size() != 1 + kEqBandCount) continue;
        EqPreset preset;
        preset.name = tokens[0];
        for (int band = 0; band < kEqBandCount; ++band)
            preset.gains[band] =
                std::clamp(AsciiToInt(tokens[1 + band]), -kEqGainLimit, kEqGainLimit);
        presets.push_back(std::move(preset));
    }
    return presets;
}

bool WritePresets(const std::string& path, const std::vector<EqPreset>& presets) {
    std::string contents = "[EQPresets]\r\n";
    const std::size_t count = std::min<std::size_t>(presets.size(), kMaxEqPresets);
    for (std::size_t i = 0; i < count; ++i) {
        // A double quote would end the name early and the preset would be lost at the next
        // reading: it is kept as an apostrophe.
        std::string name = presets[i].name;
        std::replace(name.begin(), name.end(), '"', '\'');
        std::string gains;
        for (int gain : presets[i].gains) gains += " " + std::to_string(gain);
        // A value longer than the reader takes would lose its last gains, and the preset with
        // them: a long name (possible in a hand-edited file) is shortened instead.
        CutToWholeCharacters(name, kValueBuffer - 1 - 2 - gains.size());
        contents += "Preset" + std::to_string(i) + "=\"" + name + "\"" + gains + "\r\n";
    }
    return WriteWhole(path, contents);
}
