#include "export/RenderChain.h"

#include <algorithm>
#include <system_error>

#include "engine/PlaybackEngine.h"
#include "engine/TempoOptions.h"
#include "eq/EqBands.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

RenderChain::RenderChain(CPlaybackEngine& engine) : m_engine(engine), m_aside(engine) {}

RenderChain::~RenderChain() {
    Close(false);
}

bool RenderChain::SetSongAside(const std::string& destination) {
    m_strDestination = destination;
    if (m_aside.SetAsideFor(destination)) return true;
    m_bClosed = true;
    return false;
}

bool RenderChain::CreateStreams(const Messages& messages) {
    const std::string& source = SourcePath();
    m_hDecode = audio::StreamCreateFile(false, source.c_str(), 0, 0,
                                        audio::STREAM_DECODE | audio::STREAM_READAHEAD);
    if (!m_hDecode) {
        const std::string& named = messages.bDecodeNamesDestination ? m_strDestination : source;
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(messages.nDecodeFailed),
                    named.c_str());
        Close(false);
        return false;
    }
    // The engine of playback (the layer's choice), with the options playback has from FX.ini:
    // a save sounds as what was heard.
    m_hTempo = audio::FX_TempoCreate(m_hDecode, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    if (m_hTempo) ApplyTempoOptions(m_hTempo, TempoOptionsPath());
    audio::CHANNELINFO info{};
    if (m_hTempo && audio::ChannelGetInfo(m_hTempo, &info))
        m_hOutput =
            audio::StreamCreate(info.freq, info.chans, audio::STREAM_DECODE, &Deliver, this);
    if (!m_hOutput) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(messages.nTempoFailed),
                    source.c_str());
        Close(false);
        return false;
    }
    return true;
}

void RenderChain::Configure(const RenderSettings& settings, bool bEqualiser) {
    m_qwEndPointTmp =
        settings.qwEnd > settings.qwStart ? settings.qwEnd : audio::ChannelGetLength(m_hTempo);
    ApplySoundValue(m_hTempo, SoundValue::Tempo, settings.sound);
    ApplySoundValue(m_hTempo, SoundValue::Pitch, settings.sound);
    m_nVocalLevel = settings.sound.nVocalLevel;
    if (m_nVocalLevel > 0) AttachVocalReduction(m_hOutput, m_nVocalLevel);
    m_fVolume = VolumeFactor(settings.sound.nVolume);
    if (bEqualiser) SetEqBands(m_hOutput, settings.sound.eqGains);
    audio::ChannelSetPosition(m_hTempo, settings.qwStart);

    // A long region is stretched in segments on both cores, each of the same length as heard
    // (memory holds three): one stream, with any engine, keeps only one core busy.
    audio::CHANNELINFO info{};
    if (!audio::ChannelGetInfo(m_hTempo, &info) || info.chans == 0) return;
    const audio::QWORD frameBytes = audio::QWORD{info.chans} * 2;
    const double inputPerOutput = std::max(settings.sound.nTempo, 1) / 100.0;
    const SegmentRender::Region region{settings.qwStart / frameBytes,
                                       m_qwEndPointTmp / frameBytes,
                                       static_cast<int>(info.freq),
                                       static_cast<int>(info.chans),
                                       inputPerOutput,
                                       kBlockBytes};
    const auto segmentFrames =
        static_cast<std::uint64_t>(double(info.freq) * kSegmentSeconds * inputPerOutput);
    if (SegmentRender::Worthwhile(region, segmentFrames)) {
        m_segments = std::make_unique<SegmentRender>(
            [source = SourcePath(), options = TempoOptionsPath(), sound = settings.sound] {
                return OpenSegmentStream(source, options, sound);
            },
            region, segmentFrames);
    }
}

audio::HSTREAM RenderChain::OpenSegmentStream(const std::string& source, const std::string& options,
                                              const SoundSettings& sound) {
    const audio::HSTREAM decode =
        audio::StreamCreateFile(false, source.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!decode) return 0;
    const audio::HSTREAM tempo =
        audio::FX_TempoCreate(decode, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    if (!tempo) {
        audio::StreamFree(decode);
        return 0;
    }
    ApplyTempoOptions(tempo, options);
    ApplySoundValue(tempo, SoundValue::Tempo, sound);
    ApplySoundValue(tempo, SoundValue::Pitch, sound);
    return tempo;
}

bool RenderChain::RenderBlock() {
    if (m_bRenderDone) return false;
    const bool more = m_segments || (audio::ChannelIsActive(m_hTempo) != audio::ACTIVE_STOPPED &&
                                     audio::ChannelGetPosition(m_hTempo) < m_qwEndPointTmp);
    char* block = nullptr;
    audio::DWORD got = 0;
    if (more && (block = m_queue.BeginWrite()) != nullptr)
        got = m_segments
                  ? static_cast<audio::DWORD>(m_segments->Read(block, kBlockBytes))
                  : audio::ChannelGetData(m_hTempo, block, static_cast<audio::DWORD>(kBlockBytes));
    // An error is not a count, and a stream that gives nothing has nothing more to give.
    if (!block || got == audio::DWORD(-1) || got == 0) {
        m_bRenderDone = true;
        m_queue.Finish();
        return false;
    }
    m_queue.EndWrite(std::min<std::size_t>(got, kBlockBytes));
    return true;
}

audio::DWORD RenderChain::Deliver(audio::HSTREAM, void* buffer, audio::DWORD length, void* user) {
    auto& self = *static_cast<RenderChain*>(user);
    if (!self.m_renderer.joinable())
        while (self.m_queue.WouldWait() && self.RenderBlock()) {
        }
    const std::size_t bytes = self.m_queue.Read(static_cast<char*>(buffer), length);
    return bytes > 0 ? static_cast<audio::DWORD>(bytes) : audio::STREAMPROC_END;
}

void RenderChain::StartRendering() {
    if (m_renderer.joinable() || m_bRenderDone) return;
    // Segments need both of their threads; without them the tempo stream renders it all.
    if (m_segments && !m_segments->Start()) m_segments.reset();
    try {
        m_renderer = std::thread([this] {
            while (RenderBlock()) {
            }
        });
    } catch (const std::system_error&) {
        // No thread to spare: the output stream renders each block as it needs it.
    }
}

void RenderChain::StopRendering() {
    m_queue.Close();
    if (m_segments) m_segments->Stop();
    if (m_renderer.joinable()) m_renderer.join();
}

bool RenderChain::Pull(const Sink& sink) {
    auto* samples = reinterpret_cast<std::int16_t*>(m_block.data());
    StartRendering();
    bool bAccepted = true;
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(m_hOutput, m_block.data(),
                                                       static_cast<audio::DWORD>(kBlockBytes));
        if (got == audio::DWORD(-1) || got == 0) break;
        const std::size_t bytes = std::min<std::size_t>(got, kBlockBytes);
        if (m_fVolume < 1.0f)
            for (std::size_t i = 0; i < bytes / 2; ++i)
                samples[i] = static_cast<std::int16_t>(static_cast<float>(samples[i]) * m_fVolume);
        if (!sink(m_block.data(), bytes)) {
            bAccepted = false;
            break;
        }
    }
    StopRendering();
    return bAccepted;
}

void RenderChain::FreeStreams() {
    StopRendering();
    m_segments.reset();
    if (m_hOutput) audio::StreamFree(m_hOutput);
    m_hOutput = 0;
    // The tempo stream frees its decoder with it.
    if (m_hTempo)
        audio::StreamFree(m_hTempo);
    else if (m_hDecode)
        audio::StreamFree(m_hDecode);
    m_hTempo = m_hDecode = 0;
}

void RenderChain::Close(bool bOutputWritten) {
    if (m_bClosed) return;
    m_bClosed = true;
    FreeStreams();
    m_aside.Finish(bOutputWritten);
}
