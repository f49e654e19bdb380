#include "faac/TestWave.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace faactest {
namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

double ChannelFrequency(const WaveSpec& spec, int channel) {
    return spec.frequency * (1.0 + channel / 2.0);
}

std::int64_t FrameCount(const WaveSpec& spec) {
    return std::llround(spec.seconds * spec.sampleRate);
}

int BytesPerFrame(const WaveSpec& spec) {
    return spec.channels * spec.bits / 8;
}

std::string WaveHeader(const WaveSpec& spec, std::uint32_t dataBytes) {
    // A 17-byte chunk: odd, so a pad byte follows it.
    const std::string list("INFOISFT\x05\0\0\0faac\0", 17);
    const std::uint32_t formatBytes = spec.extensible ? 40 : 16;
    const std::uint32_t extraBytes = spec.extraChunk ? 8 + 18 : 0;
    const std::uint32_t riffBytes = 4 + 8 + formatBytes + extraBytes + 8 + dataBytes;
    const int tag = spec.isFloat ? 3 : 1;
    std::string out = "RIFF";
    Put(out, spec.unknownSizes ? 0 : riffBytes, 4);
    out += "WAVEfmt ";
    Put(out, formatBytes, 4);
    Put(out, spec.extensible ? 0xFFFE : tag, 2);
    Put(out, spec.channels, 2);
    Put(out, spec.sampleRate, 4);
    Put(out, static_cast<std::uint64_t>(spec.sampleRate) * BytesPerFrame(spec), 4);
    Put(out, BytesPerFrame(spec), 2);
    Put(out, spec.bits, 2);
    if (spec.extensible) {
        Put(out, 22, 2);
        Put(out, spec.bits, 2);
        Put(out, (1u << spec.channels) - 1, 4);
        Put(out, tag, 2);
        out += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    if (spec.extraChunk) {
        out += "LIST";
        Put(out, 17, 4);
        out += list;
        out.push_back('\0');
    }
    out += "data";
    Put(out, spec.unknownSizes ? 0 : dataBytes, 4);
    return out;
}

std::string TonePcm(const WaveSpec& spec) {
    std::string out;
    const std::int64_t frames = FrameCount(spec);
    out.reserve(static_cast<std::size_t>(frames * BytesPerFrame(spec)));
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < spec.channels; ++c) {
            const double value =
                spec.amplitude *
                std::sin(2 * std::numbers::pi * ChannelFrequency(spec, c) * i / spec.sampleRate);
            if (spec.isFloat && spec.bits == 32) {
                const float f = static_cast<float>(value);
                out.append(reinterpret_cast<const char*>(&f), sizeof f);
            } else if (spec.isFloat) {
                out.append(reinterpret_cast<const char*>(&value), sizeof value);
            } else if (spec.bits == 8) {
                out.push_back(static_cast<char>(128 + std::lround(value * 127)));
            } else {
                const double full = std::ldexp(1.0, spec.bits - 1) - 1;
                Put(out, static_cast<std::uint64_t>(std::llround(value * full)), spec.bits / 8);
            }
        }
    }
    return out;
}

std::string ToneWave(const WaveSpec& spec) {
    std::string pcm = TonePcm(spec);
    return WaveHeader(spec, static_cast<std::uint32_t>(pcm.size())) + pcm;
}

std::string StreamingWave16(const std::string& pcm, int sampleRate, int channels) {
    WaveSpec spec;
    spec.sampleRate = sampleRate;
    spec.channels = channels;
    return WaveHeader(spec, 0) + pcm;
}

}  // namespace faactest
