// The render chain of a save: the song decoded a second time, on its own, with the user's
// settings applied, and pulled out block by block as fast as it decodes. A save (SaveLoop) opens
// one, configures it, pulls its blocks into the sink of the format (CEncodeSink) and closes it.
//
// When the destination is the loaded song itself, the song is first set aside (CSongSetAside)
// and decoded from there; the output replaces it only when it was written whole.
//
// Two streams make the chain, so that a save keeps both cores busy: the tempo stream (decoding
// and stretching) is read ahead on a thread of its own, and its blocks come out of the output
// stream, which carries vocal reduction and the equaliser and is read on the calling thread,
// where the sink also encodes. The samples are the same as one stream with
// every effect would give. A long region is stretched in segments on both cores instead
// (SegmentRender), joined by crossfades of a few milliseconds.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "audio/Audio.h"
#include "export/BlockQueue.h"
#include "export/RenderSettings.h"
#include "export/SegmentRender.h"
#include "export/SongSetAside.h"

class CPlaybackEngine;

class RenderChain {
public:
    // Language texts shown when the song cannot be decoded or given a tempo stream, and whether
    // the first names the destination (the encoders' texts) or the source (the WAV writer's).
    struct Messages {
        int nDecodeFailed;
        int nTempoFailed;
        bool bDecodeNamesDestination = false;
    };
    // Takes one block; false when it could not be written, which ends the pull.
    using Sink = std::function<bool(const char* bytes, std::size_t count)>;

    static constexpr std::size_t kBlockBytes = 20000;
    // Regions of two segments and more (of output) are stretched on both cores.
    static constexpr int kSegmentSeconds = 30;

    explicit RenderChain(CPlaybackEngine& engine);
    ~RenderChain();
    RenderChain(const RenderChain&) = delete;
    RenderChain& operator=(const RenderChain&) = delete;

    // Sets the song aside when the destination is the song; false (message shown) when the
    // save cannot go on.
    bool SetSongAside(const std::string& destination);
    // Creates the decode, tempo and output streams on the source; false (message shown) on
    // failure.
    bool CreateStreams(const Messages& messages);
    // Both, in that order.
    bool Open(const std::string& destination, const Messages& messages) {
        return SetSongAside(destination) && CreateStreams(messages);
    }
    // Applies the settings: end of the region, tempo, pitch, vocal reduction (level above 0),
    // volume, the equaliser's bands when asked for, then the start position. The settings are
    // copied: nothing read during the render comes from elsewhere.
    void Configure(const RenderSettings& settings, bool bEqualiser);
    // The stream the writer reads and attaches its encoder to: the song's rate and channels.
    audio::HSTREAM Stream() const { return m_hOutput; }
    // Pulls processed blocks from the start to the end of the region (the last block whole),
    // once. False when the sink refused a block.
    bool Pull(const Sink& sink);
    // Frees the streams; after a set-aside, loads the output as the song when it was written
    // whole, or puts the song back.
    void Close(bool bOutputWritten);

    const std::string& SourcePath() const { return m_aside.SourcePath(); }

private:
    // The output stream's procedure: the tempo stream's next blocks.
    static audio::DWORD Deliver(audio::HSTREAM, void* buffer, audio::DWORD length, void* user);
    // Reads one block of the tempo stream into the queue; false once the region is done (the
    // queue is then finished) or the queue was closed.
    bool RenderBlock();
    // A tempo stream of the song with the options file's settings and those of `sound`, for a
    // segment (on its thread); 0 on failure.
    static audio::HSTREAM OpenSegmentStream(const std::string& source, const std::string& options,
                                            const SoundSettings& sound);
    void StartRendering();
    void StopRendering();
    void FreeStreams();

    CPlaybackEngine& m_engine;
    CSongSetAside m_aside;
    std::string m_strDestination;
    bool m_bClosed = false;
    audio::HSTREAM m_hDecode = 0;
    audio::HSTREAM m_hTempo = 0;
    audio::HSTREAM m_hOutput = 0;
    audio::QWORD m_qwEndPointTmp = 0;
    float m_fVolume = 1.0f;
    std::atomic<int> m_nVocalLevel{0};  // read by the vocal reduction, set once by Configure
    alignas(std::int16_t) std::array<char, kBlockBytes> m_block{};

    // Enough blocks ahead (2.5 MB, about 30 ms of stretching) to ride out the moments when a
    // loaded machine keeps the writer waiting for a core.
    static constexpr std::size_t kBlocksAhead = 128;
    BlockQueue m_queue{kBlockBytes, kBlocksAhead};
    std::unique_ptr<SegmentRender> m_segments;  // a long region's, else the tempo stream is read
    bool m_bRenderDone = false;                 // RenderBlock's: the region is rendered
    std::thread m_renderer;                     // without it, blocks are rendered as they are read
};
