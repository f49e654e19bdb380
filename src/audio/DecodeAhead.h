// Decodes a file ahead of its reader, on a thread of its own: for a caller that reads a decoding
// stream through (a save), whose own work on each block (stretching, filtering, encoding) then
// runs beside the decoding instead of after it. What the reader gets (samples, positions, the
// end, seeks) is exactly what reading the decoder directly gives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/FileDecoder.h"

namespace audio::detail {

class DecodeAhead {
public:
    // Frames decoded in one go, and how many of those the ring holds (about 3 s at 44.1 kHz).
    static constexpr int kChunkFrames = 4096;
    static constexpr int kRingChunks = 32;

    explicit DecodeAhead(FileDecoder& decoder);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Up to `frames` frames; fewer only at the end, as FileDecoder::Read.
    int Read(std::int16_t* dst, int frames);
    // The frame that Read returns next.
    std::uint64_t Position();
    // As FileDecoder::Seek; what was decoded ahead is dropped.
    bool Seek(std::uint64_t frame);

private:
    void Run();
    void StartIfIdle();

    FileDecoder& m_decoder;  // touched by the thread while it runs, else under m_mutex
    const int m_nChannels;
    std::vector<std::int16_t> m_ring;  // kRingChunks * kChunkFrames frames
    std::vector<std::int16_t> m_chunk;
    std::size_t m_readFrame = 0;   // ring frame Read takes next
    std::size_t m_heldFrames = 0;  // frames decoded and not yet read
    std::uint64_t m_qwPosition;    // decoder position of the frame Read takes next

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bDecoding = false;  // the thread is inside the decoder, without the lock
    bool m_bAtEnd = false;     // the decoder has nothing more from where it stands
    bool m_bStop = false;
    std::thread m_thread;
};

}  // namespace audio::detail
