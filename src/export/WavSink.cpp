#include "export/WavSink.h"

#include <cerrno>

CWavSink::CWavSink(std::string destination, SinkMessages messages, CWavFile::PastFourGigabytes past)
    : CEncodeSink(std::move(destination), messages), m_past(past) {}

SinkOpened CWavSink::Open(audio::HSTREAM stream) {
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(stream, &info);
    const audio::PcmWaveFormat format{static_cast<int>(info.freq), static_cast<int>(info.chans),
                                      (info.flags & audio::SAMPLE_8BITS) ? 8 : 16};
    if (!m_file.Open(Destination(), format, m_past)) {
        Report(Messages().openFailed, errno);
        return SinkOpened::Abandon;
    }
    if (m_file.WriteError() != 0) {
        ReportWriteError();
        return SinkOpened::Skip;
    }
    return SinkOpened::Ready;
}

bool CWavSink::Write(const char* bytes, std::size_t count) {
    if (m_file.Write(bytes, count)) return true;
    ReportWriteError();
    return false;
}

bool CWavSink::Close() {
    if (!m_file.IsOpen()) return false;
    // A full disc must not pass for a written file.
    if (m_file.Close() && m_file.WriteError() == 0) return true;
    ReportWriteError();
    return false;
}

void CWavSink::ReportWriteError() {
    Report(Messages().writeFailed, m_file.WriteError() ? m_file.WriteError() : EIO);
}
