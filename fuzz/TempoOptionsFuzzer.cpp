// The tempo options file over arbitrary bytes, its options set on a real tempo stream that is then
// read: whatever the file holds, the stretcher takes it without harm.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "audio/Audio.h"
#include "engine/TempoOptions.h"

namespace {

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A quarter of a second of a 440 Hz stereo tone at 44100 Hz, 16-bit.
std::string WriteToneFile() {
    constexpr std::uint32_t kRate = 44100, kFrames = kRate / 4;
    std::vector<std::uint8_t> wav;
    const auto put = [&wav](const char* tag) { wav.insert(wav.end(), tag, tag + 4); };
    put("RIFF");
    PutLE(wav, 36 + kFrames * 4, 4);
    put("WAVE");
    put("fmt ");
    PutLE(wav, 16, 4);
    PutLE(wav, 1, 2);
    PutLE(wav, 2, 2);
    PutLE(wav, kRate, 4);
    PutLE(wav, kRate * 4, 4);
    PutLE(wav, 4, 2);
    PutLE(wav, 16, 2);
    put("data");
    PutLE(wav, kFrames * 4, 4);
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        const auto sample =
            static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 440.0 * i / kRate));
        PutLE(wav, static_cast<std::uint16_t>(sample), 2);
        PutLE(wav, static_cast<std::uint16_t>(sample), 2);
    }
    return FuzzFolder::Write("Tone.wav", wav.data(), wav.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string tone = WriteToneFile();
    const std::string path = FuzzFolder::Write("FX.ini", data, size);
    (void)ReadTempoOptions(path);

    const audio::HSTREAM decoder =
        audio::StreamCreateFile(false, tone.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!decoder) std::abort();
    const audio::HSTREAM stream =
        audio::FX_TempoCreate(decoder, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    if (!stream) std::abort();
    audio::FX_TempoSet(stream, 25, 0, 3);
    ApplyTempoOptions(stream, path);
    std::vector<std::int16_t> buffer(4096);
    for (int i = 0; i < 4; ++i)
        if (audio::ChannelGetData(stream, buffer.data(), buffer.size() * 2) ==
            static_cast<audio::DWORD>(-1))
            break;
    if (!audio::StreamFree(stream)) std::abort();
    return 0;
}
