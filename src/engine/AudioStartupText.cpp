#include "engine/AudioStartupText.h"

#include <cstdio>

namespace {

struct InitError {
    int code;
    const char* format;
};

constexpr InitError kInitErrors[] = {
    {audio::ERROR_UNKNOWN, "%d - General audio initialization problem."},
    {audio::ERROR_MEM, "%d - There is insufficient memory."},
    {audio::ERROR_DRIVER,
     "%d - There is no available device driver - the device may already be in use."},
    {audio::ERROR_FORMAT, "%d - The specified format is not supported by the device."},
    {audio::ERROR_ALREADY, "%d - The device has already been initialized."},
    {audio::ERROR_NO3D, "%d - The device has no 3D support."},
    {audio::ERROR_DEVICE,
     "%d - The device number specified is invalid (is there a sound card on this system, and "
     "are its drivers installed?)"},
};

constexpr audio::DWORD kInterfaceVersion = 0x0203;

}  // namespace

std::string InitErrorText(int code) {
    for (const InitError& error : kInitErrors) {
        if (error.code != code) continue;
        char text[256];
        std::snprintf(text, sizeof text, error.format, code);
        return text;
    }
    return {};
}

bool IsSupportedAudioVersion(audio::DWORD version) {
    return ((version >> 16) & 0xFFFF) == kInterfaceVersion;
}
