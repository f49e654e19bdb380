// Public operations of the device family.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <string>
#include <vector>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/StretchEngine.h"

namespace audio {

using namespace detail;

DWORD GetVersion() {
    return VERSION;
}

BOOL Init(int device, DWORD freq, DWORD /*flags*/, void* /*win*/, const void* /*clsid*/) {
    if (device == 0 || device < -1) return Fail(ERROR_DEVICE, 0);
    if (freq < 8000 || freq > 192000) return Fail(ERROR_ILLPARAM, 0);
    const int error = AudioSystem::Get().Init(device);
    if (error != ERROR_OK) return Fail(error, 0);
    return Succeed(1);
}

BOOL Free() {
    if (!AudioSystem::Get().Free()) return Fail(ERROR_INIT, 0);
    return Succeed(1);
}

BOOL GetDeviceInfo(DWORD device, DEVICEINFO* info) {
    AudioSystem& system = AudioSystem::Get();
    if (!system.Initialized()) return Fail(ERROR_INIT, 0);
    const std::vector<std::string> names = system.OutputDeviceNames();
    if (device < 2 || device - 2 >= names.size() || !info) return Fail(ERROR_DEVICE, 0);
    const std::string& name = names[device - 2];
    const std::size_t length = std::min(name.size(), sizeof info->name - 1);
    std::copy_n(name.begin(), length, info->name);
    info->name[length] = '\0';
    info->flags = name == system.OutputDeviceName() ? DEVICE_INIT : 0;
    return Succeed(1);
}

BOOL SetOutputDevice(const char* name) {
    const int error = AudioSystem::Get().ChooseOutputDevice(name ? name : "");
    if (error != ERROR_OK) return Fail(error, 0);
    return Succeed(1);
}

HPLUGIN PluginLoad(const char* file, DWORD /*flags*/) {
    static std::atomic<HPLUGIN> nextPlugin{0x7f000001};
    if (!file) return Fail(ERROR_FILEOPEN, HPLUGIN{0});
    std::string name(file);
    name = name.substr(
        name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (const auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
    // AAC and WMA decoding are built in; their plug-in names are accepted as such.
    auto endsWith = [&](const char* tail) {
        const std::string t(tail);
        return name.size() >= t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
    };
    if (!endsWith("aac") && !endsWith("wma")) return Fail(ERROR_FILEOPEN, HPLUGIN{0});
    return Succeed(nextPlugin++);
}

BOOL SetConfig(DWORD option, DWORD value) {
    switch (option) {
        case CONFIG_BUFFER:
            AudioSystem::Get().SetAheadMs(std::clamp<DWORD>(value, 5, 1000));
            return Succeed(1);
        case CONFIG_LOOP_CROSSFADE:
            AudioSystem::Get().SetLoopCrossfadeMs(
                static_cast<int>(std::min<DWORD>(value, LoopJoin::kMaxFadeMs)));
            return Succeed(1);
        case CONFIG_STRETCHER:
            if (std::ranges::none_of(StretchEngineKinds(),
                                     [&](const StretchEngineKind& k) { return k.kind == value; }))
                return Fail(ERROR_ILLPARAM, 0);
            AudioSystem::Get().SetStretcher(value);
            return Succeed(1);
        default:
            return Fail(ERROR_ILLTYPE, 0);
    }
}

DWORD GetConfig(DWORD option) {
    switch (option) {
        case CONFIG_BUFFER:
            return Succeed(AudioSystem::Get().AheadMs());
        case CONFIG_LOOP_CROSSFADE:
            return Succeed(static_cast<DWORD>(AudioSystem::Get().LoopCrossfadeMs()));
        case CONFIG_STRETCHER:
            return Succeed(AudioSystem::Get().Stretcher());
        default:
            return Fail(ERROR_ILLTYPE, DWORD(-1));
    }
}

}  // namespace audio
