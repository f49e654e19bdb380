// The render chain of a save: the song decoded a second time, on its own, with the user's
// settings applied, and pulled out block by block as fast as it decodes. Every writer (WAV and
// the encoders) opens one, configures it, pulls its blocks into its own sink and closes it.
//
// When the destination is the loaded song itself, the song is first set aside under a temporary
// name in the same folder and decoded from there; once the output is written the temporary file
// goes and the new file is loaded as the song. A save that ends without output puts the song back
// and loads it again, so the user's file is never lost nor left under the temporary name.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "audio/Audio.h"
#include "export/RenderSettings.h"

class CPlaybackEngine;

class RenderChain {
public:
    // Language texts shown when the song cannot be decoded or given a tempo stream.
    struct Messages {
        int nDecodeFailed;
        int nTempoFailed;
    };
    using ApplyEq = std::function<void(audio::HSTREAM)>;
    using Sink = std::function<void(const char* bytes, std::size_t count)>;

    static constexpr std::size_t kBlockBytes = 20000;

    explicit RenderChain(CPlaybackEngine& engine);
    ~RenderChain();
    RenderChain(const RenderChain&) = delete;
    RenderChain& operator=(const RenderChain&) = delete;

    // Sets the song aside if need be and creates the streams; false (with the message shown)
    // when the save cannot go on.
    bool Open(const std::string& destination, const Messages& messages);
    // Applies the settings: end of the region, tempo, pitch, vocal reduction, volume, the
    // equaliser when given, then the start position.
    void Configure(const RenderSettings& settings, const ApplyEq& applyEq);
    audio::HSTREAM Stream() const { return m_hTempo; }
    // Pulls processed blocks from the start to the end of the region (the last block whole).
    void Pull(const Sink& sink);
    // Frees the streams; after a set-aside, loads the written output as the song, or puts the
    // song back when nothing was written.
    void Close(bool bOutputWritten);

    const std::string& SourcePath() const { return m_strSource; }

private:
    bool SetSongAside(const std::string& destination);
    void ReleaseSong();
    void FreeStreams();

    CPlaybackEngine& m_engine;
    std::string m_strSource;
    std::string m_strDestination;
    bool m_bSetAside = false;
    bool m_bClosed = false;
    audio::HSTREAM m_hDecode = 0;
    audio::HSTREAM m_hTempo = 0;
    audio::QWORD m_qwEndPointTmp = 0;
    float m_fVolume = 1.0f;
    alignas(std::int16_t) std::array<char, kBlockBytes> m_block{};
};
