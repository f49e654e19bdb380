#include "engine/PlaybackEngine.h"
#include "export/EncoderWriters.h"
#include "export/PcmConverter.h"
#include "export/QuorvelBitrateDlg.h"
#include "export/RenderChain.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace {

// The encoder is always opened for this format.
constexpr int kWmaRate = 44100;
constexpr int kWmaChannels = 2;

bool Encode(audio::HWMENCODE encoder, const std::vector<std::int16_t>& samples) {
    return samples.empty() ||
           audio::WMA_EncodeWrite(encoder, samples.data(),
                                  static_cast<audio::DWORD>(samples.size() * 2)) != 0;
}

}  // namespace

bool SaveWma(CPlaybackEngine& engine, const std::string& destination) {
    RenderChain chain(engine);
    if (!chain.SetSongAside(destination)) return false;
    QuorvelBitrateDlg chooser(kBitrateListWma, engine.Window());
    if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE) return false;
    if (!chain.CreateStreams({52, 53, true})) return false;

    const audio::HWMENCODE encoder =
        audio::WMA_EncodeOpenFile(kWmaRate, kWmaChannels, audio::WMA_ENCODE_STANDARD,
                                  static_cast<audio::DWORD>(chooser.m_nBitrate),
                                  destination.c_str());
    bool bWritten = false;
    if (!encoder) {
        const int code = audio::ErrorGetCode();
        ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(54), code);
    } else {
        chain.Configure(CurrentRenderSettings(engine), nullptr);
        audio::CHANNELINFO info{};
        audio::ChannelGetInfo(chain.Stream(), &info);
        // A 48 kHz or mono song would otherwise play at the wrong speed and pitch.
        CPcmConverter converter(static_cast<int>(info.freq), static_cast<int>(info.chans),
                                kWmaRate, kWmaChannels);
        const int frameBytes = 2 * static_cast<int>(info.chans);
        bWritten = converter.IsReady() &&
                   chain.Pull([&](const char* bytes, std::size_t count) {
                       const auto* samples = reinterpret_cast<const std::int16_t*>(bytes);
                       const int frames = static_cast<int>(count) / frameBytes;
                       return Encode(encoder, converter.Convert(samples, frames));
                   }) &&
                   Encode(encoder, converter.Flush());
        if (!bWritten) {
            const int code = audio::ErrorGetCode();
            ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(54), code);
        }
        // Closing writes the last packets and the index: a disc that fills up there leaves a
        // file that is not whole, which must not replace the song.
        if (!audio::WMA_EncodeClose(encoder) && bWritten) {
            const int code = audio::ErrorGetCode();
            ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(54), code);
            bWritten = false;
        }
    }
    chain.Close(bWritten);
    return bWritten;
}
