// RIFF/WAVE headers the encoders write: little-endian, as on disk.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace audio::detail {

// The 44-byte header of 16-bit PCM; `dataBytes` 0 also leaves the RIFF size 0 (a stream of
// unknown length).
std::array<std::uint8_t, 44> PcmWaveHeader(int sampleRate, int channels, std::uint32_t dataBytes);

// A header for compressed data: "RIFF", "WAVE", a "fmt " chunk holding `format` as it stands, and
// the "data" chunk's header. The sizes are those of `dataBytes`; patched when the data is known.
std::vector<std::uint8_t> CompressedWaveHeader(const void* format, std::uint32_t formatBytes,
                                               std::uint32_t dataBytes);

}  // namespace audio::detail
