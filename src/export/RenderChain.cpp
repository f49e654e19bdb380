#include "export/RenderChain.h"

#include <cstdio>
#include <filesystem>

#include "engine/PlaybackEngine.h"
#include "engine/VocalReduction.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace {

// Vocal reduction runs before the equaliser's bands on the rendered stream as when playing.
constexpr int kVocalReductionPriority = 2;

// The destination's folder (with its separator) followed by the temporary name.
std::string AsideName(const std::string& destination) {
    const std::size_t slash = destination.rfind('/');
    const std::string folder =
        slash == std::string::npos ? destination : destination.substr(0, slash + 1);
    return folder + "QVOutput.TMP";
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace

RenderChain::RenderChain(CPlaybackEngine& engine) : m_engine(engine) {}

RenderChain::~RenderChain() {
    if (!m_bClosed) Close(false);
}

bool RenderChain::Open(const std::string& destination, const Messages& messages) {
    m_strSource = m_engine.m_strSongPath;
    m_strDestination = destination;
    if (destination == m_strSource && !SetSongAside(destination)) {
        m_bClosed = true;
        return false;
    }
    m_hDecode = audio::StreamCreateFile(false, m_strSource.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!m_hDecode) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(messages.nDecodeFailed),
                    m_strSource.c_str());
        Close(false);
        return false;
    }
    m_hTempo = audio::FX_TempoCreate(m_hDecode, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    if (!m_hTempo) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(messages.nTempoFailed),
                    m_strSource.c_str());
        Close(false);
        return false;
    }
    return true;
}

bool RenderChain::SetSongAside(const std::string& destination) {
    const std::string aside = AsideName(destination);
    // A file left under the temporary name by an earlier save is neither overwritten nor mixed
    // up with the song: the save stops before anything changes.
    if (Exists(aside)) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), aside.c_str());
        return false;
    }
    ReleaseSong();
    if (std::rename(m_strSource.c_str(), aside.c_str()) != 0) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), aside.c_str());
        m_engine.LoadSong(m_strSource);
        return false;
    }
    m_strSource = aside;
    m_bSetAside = true;
    return true;
}

void RenderChain::Configure(const RenderSettings& settings, const ApplyEq& applyEq) {
    m_qwEndPointTmp =
        settings.qwEnd > settings.qwStart ? settings.qwEnd : audio::ChannelGetLength(m_hTempo);
    audio::FX_TempoSet(m_hTempo, static_cast<float>(settings.nTempo - 100), 0, -100);
    audio::FX_TempoSet(m_hTempo, -100, 0, static_cast<float>(settings.nPitch) / 100.0f);
    if (settings.nVocalLevel > 0)
        audio::ChannelSetDSP(m_hTempo, &VocalReductionDSP, nullptr, kVocalReductionPriority);
    m_fVolume = static_cast<float>(settings.nVolume) / 100.0f;
    if (applyEq) applyEq(m_hTempo);
    audio::ChannelSetPosition(m_hTempo, settings.qwStart);
}

void RenderChain::Pull(const Sink& sink) {
    auto* samples = reinterpret_cast<std::int16_t*>(m_block.data());
    audio::QWORD position = audio::ChannelGetPosition(m_hTempo);
    while (audio::ChannelIsActive(m_hTempo) != audio::ACTIVE_STOPPED &&
           position < m_qwEndPointTmp) {
        const audio::DWORD got =
            audio::ChannelGetData(m_hTempo, m_block.data(), static_cast<audio::DWORD>(kBlockBytes));
        // An error is not a count, and a stream that gives nothing has nothing more to give.
        if (got == audio::DWORD(-1) || got == 0) break;
        const std::size_t bytes = std::min<std::size_t>(got, kBlockBytes);
        if (m_fVolume < 1.0f)
            for (std::size_t i = 0; i < bytes / 2; ++i)
                samples[i] = static_cast<std::int16_t>(static_cast<float>(samples[i]) * m_fVolume);
        sink(m_block.data(), bytes);
        position = audio::ChannelGetPosition(m_hTempo);
    }
}

void RenderChain::ReleaseSong() {
    // The song file is about to move: nothing may keep reading it or hold its freed stream.
    m_engine.OnStop();
    if (m_engine.m_pages.loopClearStream) m_engine.m_pages.loopClearStream();
    audio::StreamFree(m_engine.m_dwBassStream);
    m_engine.m_dwBassStream = 0;
}

void RenderChain::FreeStreams() {
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
    if (!m_bSetAside) return;
    if (bOutputWritten) {
        std::remove(m_strSource.c_str());
        m_engine.LoadSong(m_strDestination);
    } else if (std::rename(m_strSource.c_str(), m_strDestination.c_str()) == 0) {
        m_engine.LoadSong(m_strDestination);
    } else {
        m_engine.LoadSong(m_strSource);  // still the user's song, if under the other name
    }
}
