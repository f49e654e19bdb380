// WAVE streams made by the tests: a tone per channel in any sample layout the encoder takes,
// with the header the player writes (sizes 0) or a complete one.
#pragma once

#include <cstdint>
#include <string>

namespace faactest {

struct WaveSpec {
    int sampleRate = 48000;
    int channels = 2;
    int bits = 16;
    bool isFloat = false;
    bool extensible = false;   // WAVE_FORMAT_EXTENSIBLE instead of the plain tag
    bool unknownSizes = true;  // RIFF and data sizes 0, as a stream of unknown length has
    bool extraChunk = false;   // an odd-sized "LIST" chunk (with its pad byte) before the data
    double seconds = 1.0;
    double frequency = 1000;  // channel c carries frequency * (1 + c / 2.0)
    double amplitude = 0.5;   // of full scale
};

double ChannelFrequency(const WaveSpec& spec, int channel);
std::int64_t FrameCount(const WaveSpec& spec);
int BytesPerFrame(const WaveSpec& spec);

// The header up to and including the data chunk's size; dataBytes goes into the size fields
// unless spec.unknownSizes.
std::string WaveHeader(const WaveSpec& spec, std::uint32_t dataBytes);
// The interleaved samples of the tone.
std::string TonePcm(const WaveSpec& spec);
// Header and samples.
std::string ToneWave(const WaveSpec& spec);

// 16-bit stereo PCM wrapped in a header with sizes 0.
std::string StreamingWave16(const std::string& pcm, int sampleRate, int channels);

}  // namespace faactest
