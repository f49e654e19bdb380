#pragma once

#include "export/EncodeSink.h"
#include "export/WavFile.h"

// A PCM WAV file in the stream's own format (16-bit, or 8-bit when the stream's samples are),
// blocks written exactly as they come. A write error is given to writeFailed as its error number.
class CWavSink final : public CEncodeSink {
public:
    CWavSink(std::string destination, SinkMessages messages,
             CWavFile::PastFourGigabytes past = CWavFile::PastFourGigabytes::Refuse);

    SinkOpened Open(audio::HSTREAM stream) override;
    bool Write(const char* bytes, std::size_t count) override;
    bool Close() override;

private:
    void ReportWriteError();

    CWavFile m_file;
    CWavFile::PastFourGigabytes m_past;
};
