#include "ui/PreviewPlayer.h"

#include <QString>

CPreviewPlayer* g_pPreviewPlayer = nullptr;

namespace {

bool ContainsIgnoringCase(const std::string& text, const char* part) {
    return QString::fromUtf8(text).contains(QLatin1String(part), Qt::CaseInsensitive);
}

}  // namespace

CPreviewPlayer::~CPreviewPlayer() {
    if (m_hStream) {
        Stop();
        audio::StreamFree(m_hStream);
    }
}

int CPreviewPlayer::Load(const std::string& path) {
    if (m_hStream) {
        Stop();
        audio::StreamFree(m_hStream);
        m_hStream = 0;
    }
    // WMA files and CD track files have readers of their own; everything else takes the
    // general one.
    audio::HSTREAM stream = 0;
    if (ContainsIgnoringCase(path, ".wma"))
        stream = audio::WMA_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    else if (ContainsIgnoringCase(path, ".cda"))
        stream = audio::CD_StreamCreateFile(path.c_str(), 0);
    else
        stream = audio::StreamCreateFile(0, path.c_str(), 0, 0, 0);
    if (!stream) return -1;
    m_hStream = stream;
    m_strPath = path;
    return 0;
}

int CPreviewPlayer::Play() {
    return m_hStream && audio::ChannelPlay(m_hStream, 0) ? 0 : -1;
}

void CPreviewPlayer::Stop() {
    audio::ChannelStop(m_hStream);
    audio::ChannelSetPosition(m_hStream, 0);
}

bool CPreviewPlayer::IsPlaying() const {
    return audio::ChannelIsActive(m_hStream) == audio::ACTIVE_PLAYING;
}
