// Encodes interleaved PCM frames as AAC-LC with libavcodec's own AAC encoder and writes them as
// raw ADTS frames or, with an MP4 container, through libavformat.
//
// Samples are converted to the encoder's planar float by libswresample, which also resamples
// when the encoder does not take the input's rate (it takes 7350 to 96000 Hz in the usual steps;
// another rate goes to the next one up). The output file is created only once the encoder is
// ready; if the writer is destroyed before Finish() (a failure), a file it created is removed so
// that nothing half-written looks like a result.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "CommandLine.h"
#include "WaveReader.h"

namespace faac {

// The encoder could not be set up, or the output could not be created or written.
class EncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class AacWriter {
public:
    // Throws EncodeError. The output is options.outputPath; options.quality and cutoffHz set the
    // bitrate and the bandwidth, mpegVersion the ADTS headers' ID bit, mp4Container the format.
    AacWriter(const WaveFormat& input, const EncoderOptions& options);
    ~AacWriter();
    AacWriter(const AacWriter&) = delete;
    AacWriter& operator=(const AacWriter&) = delete;

    // Encodes frameCount interleaved frames laid out as the input format says. Throws
    // EncodeError when encoding or writing fails.
    void Write(std::span<const std::byte> frames, std::size_t frameCount);

    // Encodes what is still buffered, writes the container's trailer and closes the file.
    // Throws EncodeError.
    void Finish();

    int SampleRate() const;  // Hz, as encoded
    int BitRate() const;     // bits per second, as given to the encoder

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace faac
