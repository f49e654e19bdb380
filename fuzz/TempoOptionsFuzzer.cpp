// The tempo options file over arbitrary bytes, its options set on a real tempo stream that is then
// read: whatever the file holds, the stretcher takes it without harm.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "audio/Audio.h"
#include "engine/TempoOptions.h"
#include "support/TestAudio.h"

namespace {

// A quarter of a second of a 440 Hz stereo tone at 44100 Hz, 16-bit.
std::string WriteToneFile() {
    const std::string wav =
        test_audio::WavBytes(44100, 2, test_audio::Sine(440, 44100, 2, 44100 / 4, 0.4));
    return FuzzFolder::Write("Tone.wav", reinterpret_cast<const std::uint8_t*>(wav.data()),
                             wav.size());
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
