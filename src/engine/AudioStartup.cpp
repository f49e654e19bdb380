#include "engine/AudioStartup.h"

#include <string>

#include "engine/AudioStartupText.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

bool StartAudioEngine(QWidget* window, audio::DWORD version) {
    if (!IsSupportedAudioVersion(version)) {
        ShowMessage(window, "Quorvel", MB_OK, GetLanguageText(33));
        return false;
    }
    // The device follows the default output; its rate is the one every stream is mixed to.
    if (!audio::Init(-1, 44100, 0, window, nullptr)) {
        const std::string error = InitErrorText(audio::ErrorGetCode());
        ShowMessage(window, "Quorvel", MB_OK, GetLanguageText(34), error.c_str());
        return false;
    }
    // Every format is built into the layer; loading the plug-ins only tells it the player
    // wants them. A refusal shows later, when a file of that format does not open.
    audio::PluginLoad("bass_aac.dll", 0);
    audio::PluginLoad("basswma.dll", 0);
    return true;
}
