#include "audio/Mp3Formats.h"

#include <algorithm>
#include <array>
#include <span>

namespace audio::detail {

namespace {

constexpr std::uint16_t kMpegLayer3IdMpeg = 1;
constexpr DWORD kPaddingOff = 2;
constexpr std::uint16_t kLameCodecDelay = 1393;

constexpr std::array<DWORD, 3> kMpeg1Rates{32000, 44100, 48000};
constexpr std::array<DWORD, 3> kMpeg2Rates{16000, 22050, 24000};
constexpr std::array<DWORD, 3> kMpeg25Rates{8000, 11025, 12000};
constexpr std::array<DWORD, 14> kMpeg1Kbps{32,  40,  48,  56,  64,  80,  96,
                                           112, 128, 160, 192, 224, 256, 320};
constexpr std::array<DWORD, 14> kMpeg2Kbps{8,  16, 24, 32,  40,  48,  56,
                                           64, 80, 96, 112, 128, 144, 160};
constexpr std::array<DWORD, 8> kMpeg25Kbps{8, 16, 24, 32, 40, 48, 56, 64};

bool Contains(std::span<const DWORD> values, DWORD v) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

bool IsMpeg1(DWORD freq) {
    return Contains(kMpeg1Rates, freq);
}

// Bitrates (kbps) of the MPEG version that `freq` belongs to; empty for other rates.
std::span<const DWORD> KbpsFor(DWORD freq) {
    if (IsMpeg1(freq)) return kMpeg1Kbps;
    if (Contains(kMpeg2Rates, freq)) return kMpeg2Kbps;
    if (Contains(kMpeg25Rates, freq)) return kMpeg25Kbps;
    return {};
}

}  // namespace

std::vector<ACMFORMATCHOICE> Mp3Formats(DWORD chans) {
    std::vector<ACMFORMATCHOICE> list;
    std::vector<DWORD> rates;
    for (auto group : {std::span<const DWORD>(kMpeg1Rates), std::span<const DWORD>(kMpeg2Rates),
                       std::span<const DWORD>(kMpeg25Rates)})
        rates.insert(rates.end(), group.begin(), group.end());
    std::sort(rates.begin(), rates.end());
    for (DWORD freq : rates)
        for (DWORD kbps : KbpsFor(freq)) list.push_back({freq, chans, kbps * 1000});
    return list;
}

bool IsMp3Format(DWORD freq, DWORD bitrate) {
    return bitrate % 1000 == 0 && Contains(KbpsFor(freq), bitrate / 1000);
}

MPEGLAYER3WAVEFORMAT Mp3WaveFormat(const ACMFORMATCHOICE& choice) {
    MPEGLAYER3WAVEFORMAT f{};
    f.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    f.wfx.nChannels = static_cast<std::uint16_t>(choice.chans);
    f.wfx.nSamplesPerSec = choice.freq;
    f.wfx.nAvgBytesPerSec = choice.bitrate / 8;
    f.wfx.nBlockAlign = 1;
    f.wfx.wBitsPerSample = 0;
    f.wfx.cbSize = sizeof(MPEGLAYER3WAVEFORMAT) - sizeof(WAVEFORMATEX);
    f.wID = kMpegLayer3IdMpeg;
    f.fdwFlags = kPaddingOff;
    // Bytes of one frame: 1152 samples for MPEG-1, 576 for MPEG-2 and 2.5.
    const DWORD perFrame = IsMpeg1(choice.freq) ? 144 : 72;
    f.nBlockSize = static_cast<std::uint16_t>(perFrame * choice.bitrate / choice.freq);
    f.nFramesPerBlock = 1;
    f.nCodecDelay = kLameCodecDelay;
    return f;
}

}  // namespace audio::detail
