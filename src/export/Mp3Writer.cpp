#include <vector>

#include "engine/PlaybackEngine.h"
#include "export/EncoderWriters.h"
#include "export/RenderChain.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace {

// MPEG Layer-3 formats (tag 0x55 in the high word) with the stream's channel count.
constexpr audio::DWORD kMp3ChooserFlags = (audio::DWORD{audio::WAVE_FORMAT_MPEGLAYER3} << 16) |
                                          audio::ACM_CHANS;

}  // namespace

bool SaveMp3(CPlaybackEngine& engine, const std::string& destination) {
    RenderChain chain(engine);
    if (!chain.Open(destination, {112, 113, true})) return false;

    std::vector<char> format(audio::Encode_GetACMFormat(0, nullptr, 0, nullptr, 0), 0);
    const audio::DWORD used = audio::Encode_GetACMFormat(
        chain.Stream(), format.data(), static_cast<audio::DWORD>(format.size()), nullptr,
        kMp3ChooserFlags);
    if (!used) return false;  // cancelled, or no MP3 encoder: nothing is said

    const audio::HENCODE encoder = audio::Encode_StartACMFile(
        chain.Stream(), format.data(),
        audio::ENCODE_NOHEAD | audio::ENCODE_PAUSE | audio::ENCODE_AUTOFREE, destination.c_str());
    bool bWritten = false;
    if (!encoder) {
        const int code = audio::ErrorGetCode();
        ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(114), code);
    } else {
        RenderSettings settings = CurrentRenderSettings(engine);
        settings.sound.nVocalLevel = 0;  // MP3 files carry tempo, pitch and volume only
        chain.Configure(settings, nullptr);
        const bool bPulled = chain.Pull([&](const char* bytes, std::size_t count) {
            return audio::Encode_Write(encoder, bytes, static_cast<audio::DWORD>(count)) != 0;
        });
        bWritten = audio::Encode_Stop(chain.Stream()) != 0 && bPulled;
        if (!bWritten)
            ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(114),
                        audio::ERROR_ENDED);
    }
    if (!encoder) audio::Encode_Stop(chain.Stream());
    chain.Close(bWritten);
    return bWritten;
}
