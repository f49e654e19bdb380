// An MP3 file written by LAME at a constant bitrate: bare MPEG Layer-3 frames, or the frames
// inside a WAVE file whose "fmt " chunk describes them. The source's rate is resampled by LAME to
// the file's; mono and stereo sources are mixed down or doubled to the file's channel count.
#pragma once

#include <lame/lame.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audio/Encoder.h"
#include "audio/WholeFrames.h"

namespace audio::detail {

struct LameCloser {
    void operator()(lame_global_flags* p) const { lame_close(p); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class Mp3FileEncoder : public Encoder {
public:
    // `format`: the file's rate, channel count (1 or 2) and bitrate. `sourceRate` and
    // `sourceChannels` (1 or 2): the PCM that will be written. Null with `error` = ERROR_CODEC
    // (LAME cannot make that format) or ERROR_CREATE (the file cannot be created).
    static std::unique_ptr<Mp3FileEncoder> Start(const ACMFORMATCHOICE& format, int sourceRate,
                                                 int sourceChannels, bool wrapInWave,
                                                 const std::string& path, int& error);

protected:
    bool DoWrite(const void* data, std::size_t bytes) override;
    bool DoFinish() override;

private:
    Mp3FileEncoder() = default;
    // Encodes `frames` whole source frames starting at `src` (bytes, any alignment).
    bool EncodeFrames(const std::uint8_t* src, std::size_t frames);
    bool Put(const void* data, std::size_t bytes);

    LamePtr m_pLame;
    FilePtr m_pFile;
    ACMFORMATCHOICE m_format{};
    int m_nSourceChannels = 0;
    bool m_bWave = false;
    std::uint64_t m_qwDataBytes = 0;      // MPEG bytes written after the header
    std::vector<std::int16_t> m_source;   // one block of source samples, aligned
    std::vector<std::int16_t> m_samples;  // the same with the file's channel count
    std::vector<unsigned char> m_mp3;     // LAME's output for one block
    WholeFrames m_whole{4};  // sized for the source's frames when opened
};

}  // namespace audio::detail
