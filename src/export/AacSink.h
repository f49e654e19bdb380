#pragma once

#include "export/EncodeSink.h"

// AAC (ADTS) or, with the extra option "-w", an MP4 file, through the faac program at the quality
// the user picks in the bitrate chooser. The program is started by Open with the WAVE stream on
// its standard input and finishes the file when Close ends its input; a program that cannot be
// started, that stops taking blocks or that fails to finish is reported.
class CAacSink final : public CEncodeSink {
public:
    CAacSink(std::string destination, SinkMessages messages, std::string extraOption);

    bool Prepare() override;
    SinkOpened Open(audio::HSTREAM stream) override;
    bool Write(const char* bytes, std::size_t count) override;
    bool Close() override;

private:
    std::string m_strExtraOption;
    std::string m_strOptions;  // the chosen quality row's
    audio::HENCODE m_encoder = 0;
};

// The faac command line for a quality row's options, the extra option and the destination; the
// destination is quoted, with '"' and '\' inside it escaped.
std::string FaacCommandLine(const char* options, const std::string& extraOption,
                            const std::string& destination);
