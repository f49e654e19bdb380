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
}

bool RenderChain::RenderBlock() {
    if (m_bRenderDone) return false;
    const audio::QWORD position = audio::ChannelGetPosition(m_hTempo);
    char* block = nullptr;
    audio::DWORD got = 0;
    if (audio::ChannelIsActive(m_hTempo) != audio::ACTIVE_STOPPED && position < m_qwEndPointTmp &&
        (block = m_queue.BeginWrite()) != nullptr)
        got = audio::ChannelGetData(m_hTempo, block, static_cast<audio::DWORD>(kBlockBytes));
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
