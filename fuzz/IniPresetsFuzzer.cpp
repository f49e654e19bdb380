// The INI reader over arbitrary text, and the presets file read from it. A preset list that was
// read must come back the same after it is written and read again: saving the presets never
// changes or loses one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzFile.h"
#include "engine/IniFile.h"
#include "eq/PresetFile.h"

namespace {

// Written presets keep their gains, and their names but for double quotes, which become
// apostrophes (a quote would end the name); a name too long for the line with its gains (only a
// hand-edited file has one) may be shortened, and names up to 160 bytes always fit.
bool SameAfterWriting(const std::vector<EqPreset>& read, const std::vector<EqPreset>& reread) {
    if (read.size() != reread.size()) return false;
    for (std::size_t i = 0; i < read.size(); ++i) {
        std::string name = read[i].name;
        std::replace(name.begin(), name.end(), '"', '\'');
        if (reread[i].gains != read[i].gains) return false;
        if (reread[i].name != name.substr(0, reread[i].name.size())) return false;
        if (name.size() <= 160 && reread[i].name != name) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t buffer : {std::size_t{0}, std::size_t{1}, std::size_t{8}, std::size_t{200}}) {
        const std::string value =
            GetProfileStringFromText(text, "EQPresets", "Preset0", "<none>", buffer);
        if (buffer > 0 && value.size() >= buffer) std::abort();
        (void)AsciiToInt(value);
    }
    (void)GetProfileStringFromText(text, "", "", "", 260);
    (void)AsciiToInt(text);

    const std::string path = FuzzFolder::Write("Quorvel.ini", data, size);
    const std::vector<EqPreset> presets = ReadPresets(path);
    const std::string copy = FuzzFolder::Path() + "/Copy.ini";
    if (!WritePresets(copy, presets)) std::abort();
    if (!SameAfterWriting(presets, ReadPresets(copy))) {
        std::fprintf(stderr, "presets changed by writing them: %zu read\n", presets.size());
        std::abort();
    }
    return 0;
}
