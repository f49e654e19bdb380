#include "audio/WaveHeader.h"

#include <cstring>

namespace audio {

namespace {

template <typename Out>
void Put(Out& out, std::size_t& at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at++] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename Out>
void PutTag(Out& out, std::size_t& at, const char* tag) {
    for (int i = 0; i < 4; ++i) out[at++] = static_cast<std::uint8_t>(tag[i]);
}

}  // namespace

std::array<std::uint8_t, 44> PcmWaveHeader(const PcmWaveFormat& format,
                                           std::optional<std::uint32_t> dataBytes) {
    std::array<std::uint8_t, 44> h{};
    std::size_t at = 0;
    const auto rate = static_cast<std::uint32_t>(format.sampleRate);
    const auto chans = static_cast<std::uint32_t>(format.channels);
    const auto bits = static_cast<std::uint32_t>(format.bitsPerSample);
    const std::uint32_t blockAlign = chans * bits / 8;
    PutTag(h, at, "RIFF");
    Put(h, at, dataBytes ? 36 + *dataBytes : 0, 4);
    PutTag(h, at, "WAVE");
    PutTag(h, at, "fmt ");
    Put(h, at, 16, 4);
    Put(h, at, 1, 2);  // PCM
    Put(h, at, chans, 2);
    Put(h, at, rate, 4);
    Put(h, at, blockAlign * rate, 4);
    Put(h, at, blockAlign, 2);
    Put(h, at, bits, 2);
    PutTag(h, at, "data");
    Put(h, at, dataBytes.value_or(0), 4);
    return h;
}

namespace detail {

std::vector<std::uint8_t> CompressedWaveHeader(const void* format, std::uint32_t formatBytes,
                                               std::uint32_t dataBytes) {
    const std::uint32_t paddedFormat = formatBytes + (formatBytes & 1);
    std::vector<std::uint8_t> h(12 + 8 + paddedFormat + 8);
    std::size_t at = 0;
    PutTag(h, at, "RIFF");
    Put(h, at, static_cast<std::uint32_t>(h.size()) - 8 + dataBytes + (dataBytes & 1), 4);
    PutTag(h, at, "WAVE");
    PutTag(h, at, "fmt ");
    Put(h, at, formatBytes, 4);
    std::memcpy(h.data() + at, format, formatBytes);
    at += paddedFormat;
    PutTag(h, at, "data");
    Put(h, at, dataBytes, 4);
    return h;
}

}  // namespace detail
}  // namespace audio
