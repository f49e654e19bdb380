// RIFF/WAVE headers: the one writer of the 44-byte PCM header (the encoders' input streams, the
// WAV files of a save and of a rip) and the header of compressed data. Little-endian, as on disk.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace audio {

struct PcmWaveFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;
};

// The 44-byte header of PCM in `format`. With `dataBytes` the sizes are final: the data chunk's
// and the RIFF size (36 more, modulo 2^32, as readers expect of files past 4 GB). Without it both
// sizes are 0: a stream of unknown length, or a file whose sizes are written once it is done.
std::array<std::uint8_t, 44> PcmWaveHeader(const PcmWaveFormat& format,
                                           std::optional<std::uint32_t> dataBytes);

namespace detail {

// A header for compressed data: "RIFF", "WAVE", a "fmt " chunk holding `format` as it stands, and
// the "data" chunk's header. The sizes are those of `dataBytes`; patched when the data is known.
std::vector<std::uint8_t> CompressedWaveHeader(const void* format, std::uint32_t formatBytes,
                                               std::uint32_t dataBytes);

}  // namespace detail
}  // namespace audio
