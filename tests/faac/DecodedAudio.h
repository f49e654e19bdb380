// Files decoded with libavformat and libavcodec, for checking what the encoder wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faactest {

struct DecodedAudio {
    std::string containerName;  // libavformat's name for the container ("aac", "mov,mp4,...")
    std::string codecName;
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::vector<float>> samples;  // one vector per channel
    std::uint64_t packetBytes = 0;            // the coded audio, without container overhead

    std::size_t Frames() const { return samples.empty() ? 0 : samples[0].size(); }
    double Seconds() const { return sampleRate > 0 ? double(Frames()) / sampleRate : 0; }
    // Coded bits per second of audio.
    double BitRate() const { return Seconds() > 0 ? packetBytes * 8.0 / Seconds() : 0; }
};

// Decodes a whole file (or its first maxSeconds), honouring the container's edit list. Throws
// std::runtime_error when the file cannot be opened or decoded.
DecodedAudio DecodeFile(const std::string& path, double maxSeconds = 0);

// Frequency of the dominant tone between two frame indexes, from rising zero crossings.
double ToneFrequency(const std::vector<float>& samples, int sampleRate, std::size_t from,
                     std::size_t to);
double Rms(const std::vector<float>& samples, std::size_t from, std::size_t to);

}  // namespace faactest
