#include "export/WmaSink.h"

#include "export/QuorvelBitrateDlg.h"

namespace {

// The encoder is always opened for this format.
constexpr int kWmaRate = 44100;
constexpr int kWmaChannels = 2;

}  // namespace

CWmaSink::CWmaSink(std::string destination, SinkMessages messages)
    : CEncodeSink(std::move(destination), messages) {}

bool CWmaSink::Prepare() {
    QuorvelBitrateDlg chooser(kBitrateListWma, Owner());
    if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE) return false;
    m_nBitrate = static_cast<audio::DWORD>(chooser.m_nBitrate);
    return true;
}

SinkOpened CWmaSink::Open(audio::HSTREAM stream) {
    m_encoder = audio::WMA_EncodeOpenFile(kWmaRate, kWmaChannels, audio::WMA_ENCODE_STANDARD,
                                          m_nBitrate, Destination().c_str());
    if (!m_encoder) {
        Report(Messages().openFailed, audio::ErrorGetCode());
        return SinkOpened::Skip;
    }
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(stream, &info);
    const int rate = static_cast<int>(info.freq);
    const int channels = static_cast<int>(info.chans);
    m_nFrameBytes = 2 * channels;
    if (rate != kWmaRate || channels != kWmaChannels) {
        m_converter = std::make_unique<CPcmConverter>(rate, channels, kWmaRate, kWmaChannels);
        if (!m_converter->IsReady()) {
            m_bFailed = true;
            Report(Messages().writeFailed, audio::ErrorGetCode());
            return SinkOpened::Skip;
        }
    }
    return SinkOpened::Ready;
}

bool CWmaSink::Encode(const void* bytes, std::size_t count) {
    if (count == 0 || audio::WMA_EncodeWrite(m_encoder, bytes, static_cast<audio::DWORD>(count)))
        return true;
    m_bFailed = true;
    Report(Messages().writeFailed, audio::ErrorGetCode());
    return false;
}

bool CWmaSink::Write(const char* bytes, std::size_t count) {
    if (!m_converter) return Encode(bytes, count);
    const auto* samples = reinterpret_cast<const std::int16_t*>(bytes);
    return Encode(m_converter->Convert(samples, static_cast<int>(count) / m_nFrameBytes));
}

bool CWmaSink::Close() {
    if (!m_encoder) return false;
    // What the resampler still holds ends the file.
    bool bWhole = !m_bFailed && (!m_converter || Encode(m_converter->Flush()));
    if (!audio::WMA_EncodeClose(m_encoder)) {
        Report(Messages().writeFailed, audio::ErrorGetCode());
        bWhole = false;
    }
    m_encoder = 0;
    return bWhole;
}
