// A WMA (version 2) file: FFmpeg's wmav2 encoder in an ASF container, fed with 16-bit
// interleaved PCM in byte counts of any size.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/FfmpegHandles.h"
#include "audio/WholeFrames.h"

namespace audio::detail {

class WmaFileEncoder {
public:
    // Null with `error` = ERROR_WMA_CODEC (the encoder refuses the settings), ERROR_CREATE (the
    // file cannot be created or its header written) or ERROR_MEM.
    static std::unique_ptr<WmaFileEncoder> Open(int sampleRate, int channels, int bitrate,
                                                const std::string& path, int& error);

    // Encodes what makes whole encoder frames and keeps the rest (a partial frame, an odd
    // trailing byte) for the next call. False once the file cannot be written.
    bool Write(const void* data, std::size_t bytes);

    // Encodes what is left (the last frame filled with silence), writes the index and closes the
    // file. True when the whole file was written. Afterwards every call fails.
    bool Close();

private:
    WmaFileEncoder() = default;
    // Moves `frames` sample frames (aligned) into the encoder frame, sending it when full.
    bool Take(const std::int16_t* samples, int frames);
    bool Send(AVFrame* frame);
    bool WritePackets();

    std::mutex m_mutex;
    OutputContextPtr m_pFormat;
    CodecContextPtr m_pCodec;
    AVStream* m_pStream = nullptr;
    FramePtr m_pFrame;
    PacketPtr m_pPacket;
    int m_nChannels = 0;
    int m_nFrameSize = 0;          // samples per channel the encoder takes at once
    int m_nFilled = 0;             // samples per channel already in m_pFrame
    std::int64_t m_nextPts = 0;    // samples per channel sent to the encoder, silence included
    std::int64_t m_samplesIn = 0;  // samples per channel taken, lead-in silence included
    std::vector<std::int16_t> m_leadIn;
    bool m_bSmallLastFrame = false;
    bool m_bFailed = false;
    bool m_bClosed = false;
    std::vector<std::int16_t> m_aligned;  // one frame's samples, copied out of the caller's bytes
    WholeFrames m_whole{4};  // sized for the source's frames when opened
};

}  // namespace audio::detail
