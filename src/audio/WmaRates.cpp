#include "audio/WmaRates.h"

namespace audio::detail {

namespace {

// Measured with FFmpeg 5.1's wmav2 encoder and this layer's ASF packing (WmaFileEncoder), on
// the first 60 s of a real recording (/usr/share/scummvm/drascula/audio/track2.ogg, converted to
// each rate and channel count), for the requests 24, 32, 40, 48, 64, 80, 96, 112, 128, 160, 192,
// 256 and 320 kbps. A bitrate is offered when two figures lie within 10 % of the request: the
// file's (size x 8 / duration), and the one the coded audio really carries (the file less the
// 'N' bytes the encoder fills a frame with once it has nothing left to code). Of the usual steps,
// what stays out and why:
//  - 32 kbps at 44.1, 48 and 22.05 kHz: the per-frame ASF payload headers make the file 11 %
//    larger (at 32 kHz, frames are longer and the file is 9 % over);
//  - 320 kbps: fill of 12 % or more in stereo (the coded audio carries 280 kbps at 44.1 kHz),
//    and at 22.05 kHz 256 kbps too (15 %);
//  - in mono, 256 kbps and up (18 % fill and more) and 192 kbps at 32 kHz and 22.05 kHz;
//  - 160 kbps in mono at 22.05 kHz (12 % fill).
// Below 24 kbps the encoder refuses to start. bench/bench_wma_rates repeats the measurement.
constexpr DWORD kStereo44[] = {256000, 192000, 160000, 128000, 96000, 80000, 64000, 48000, 0};
constexpr DWORD kMono44[] = {192000, 160000, 128000, 96000, 80000, 64000, 48000, 0};
constexpr DWORD kStereo32[] = {256000, 192000, 160000, 128000, 96000,
                               80000,  64000,  48000,  32000,  0};
constexpr DWORD kMono32[] = {160000, 128000, 96000, 80000, 64000, 48000, 32000, 0};
constexpr DWORD kStereo22[] = {192000, 160000, 128000, 96000, 80000, 64000, 48000, 0};
constexpr DWORD kMono22[] = {128000, 96000, 80000, 64000, 48000, 0};

}  // namespace

const DWORD* WmaRates(DWORD freq, DWORD chans) {
    const bool stereo = chans == 2;
    if (chans != 1 && chans != 2) return nullptr;
    switch (freq) {
        case 44100:
        case 48000:
            return stereo ? kStereo44 : kMono44;
        case 32000:
            return stereo ? kStereo32 : kMono32;
        case 22050:
            return stereo ? kStereo22 : kMono22;
        default:
            return nullptr;
    }
}

bool IsWmaRate(DWORD freq, DWORD chans, DWORD bitrate) {
    const DWORD* rates = WmaRates(freq, chans);
    if (!rates || bitrate == 0) return false;
    for (; *rates; ++rates)
        if (*rates == bitrate) return true;
    return false;
}

}  // namespace audio::detail
