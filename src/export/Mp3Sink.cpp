#include "export/Mp3Sink.h"

#include <vector>

namespace {

// MPEG Layer-3 formats (tag 0x55 in the high word) with the stream's channel count.
constexpr audio::DWORD kMp3ChooserFlags =
    (audio::DWORD{audio::WAVE_FORMAT_MPEGLAYER3} << 16) | audio::ACM_CHANS;

}  // namespace

CMp3Sink::CMp3Sink(std::string destination, SinkMessages messages, Feed feed)
    : CEncodeSink(std::move(destination), messages), m_feed(feed) {}

SinkOpened CMp3Sink::Open(audio::HSTREAM stream) {
    std::vector<char> format(audio::Encode_GetACMFormat(0, nullptr, 0, nullptr, 0), 0);
    const audio::DWORD used =
        format.empty() ? 0
                       : audio::Encode_GetACMFormat(stream, format.data(),
                                                    static_cast<audio::DWORD>(format.size()),
                                                    nullptr, kMp3ChooserFlags);
    if (!used) {
        Report(Messages().formatNotChosen, audio::ErrorGetCode());
        return SinkOpened::Skip;
    }
    audio::DWORD flags = audio::ENCODE_NOHEAD | audio::ENCODE_AUTOFREE;
    if (m_feed == Feed::Written) flags |= audio::ENCODE_PAUSE;
    m_encoder = audio::Encode_StartACMFile(stream, format.data(), flags, Destination().c_str());
    if (!m_encoder) {
        Report(Messages().openFailed, audio::ErrorGetCode());
        return SinkOpened::Skip;
    }
    return SinkOpened::Ready;
}

bool CMp3Sink::Write(const char* bytes, std::size_t count) {
    if (m_feed == Feed::ByStream) {
        // The block reached the encoder as it was read.
        if (audio::Encode_IsActive(m_encoder)) return true;
        Report(Messages().writeFailed, audio::ERROR_ENDED);
        return false;
    }
    if (audio::Encode_Write(m_encoder, bytes, static_cast<audio::DWORD>(count))) return true;
    Report(Messages().writeFailed, audio::ErrorGetCode());
    return false;
}

bool CMp3Sink::Close() {
    if (!m_encoder) return false;
    const bool bStopped = audio::Encode_Stop(m_encoder) != 0;
    if (!bStopped) Report(Messages().writeFailed, audio::ErrorGetCode());
    m_encoder = 0;
    return bStopped;
}
