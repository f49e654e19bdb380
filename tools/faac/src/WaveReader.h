// Reads a RIFF/WAVE stream front to back, without seeking, as it arrives through a pipe.
//
// Accepted: integer PCM of 8 (unsigned), 16, 24 or 32 bits and IEEE floating point of 32 or 64
// bits, plain or as WAVE_FORMAT_EXTENSIBLE, 1 to 8 channels. Chunks other than "fmt " and "data"
// are skipped, and so is anything after the data. A stream written before its length was known
// gives its data chunk the size 0 or 0xFFFFFFFF: its audio runs to the end of the input; a data
// chunk that claims more than arrives also simply ends with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

#include "ByteSource.h"

namespace faac {

// The stream is not a WAVE stream this reader can take, or its header is cut short.
class WaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SampleKind { kInteger, kFloat };

struct WaveFormat {
    SampleKind kind = SampleKind::kInteger;
    int channels = 0;
    int sampleRate = 0;     // Hz
    int bitsPerSample = 0;  // as stored: 8, 16, 24, 32 or 64
    // Bytes of audio the data chunk announces; empty when it runs to the end of the input.
    std::optional<std::uint64_t> dataBytes;

    int BytesPerFrame() const { return channels * bitsPerSample / 8; }
};

constexpr int kMaxChannels = 8;
constexpr int kMaxSampleRate = 384000;

class WaveReader {
public:
    // Reads the header up to the first byte of audio. Throws WaveError when the stream is not
    // an acceptable WAVE stream, InputError when reading fails.
    explicit WaveReader(ByteSource& source);

    const WaveFormat& Format() const { return format_; }

    // Fills `into` with as many whole interleaved frames as fit and arrive; returns the number
    // of frames, 0 at the end of the audio. A frame cut off by the end of the input is dropped.
    std::size_t ReadFrames(std::span<std::byte> into);

private:
    ByteSource& source_;
    WaveFormat format_;
    std::optional<std::uint64_t> bytesLeft_;
    bool ended_ = false;
};

}  // namespace faac
