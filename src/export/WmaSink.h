#pragma once

#include <memory>
#include <vector>

#include "export/EncodeSink.h"
#include "export/PcmConverter.h"

// WMA at the bitrate the user picks in the bitrate chooser. The encoder takes 44 100 Hz stereo
// only, so the blocks of a stream in another format are converted to it (a 48 kHz or mono song
// would otherwise play at the wrong speed and pitch). The file is finished when the encoder
// closes (the last packets, the index): a failure there is a failure of the file.
class CWmaSink final : public CEncodeSink {
public:
    CWmaSink(std::string destination, SinkMessages messages);

    bool Prepare() override;
    SinkOpened Open(audio::HSTREAM stream) override;
    bool Write(const char* bytes, std::size_t count) override;
    bool Close() override;

private:
    bool Encode(const void* bytes, std::size_t count);
    bool Encode(const std::vector<std::int16_t>& samples) {
        return Encode(samples.data(), samples.size() * 2);
    }

    audio::DWORD m_nBitrate = 0;
    audio::HWMENCODE m_encoder = 0;
    std::unique_ptr<CPcmConverter> m_converter;  // none when the stream is 44 100 Hz stereo
    int m_nFrameBytes = 4;
    bool m_bFailed = false;
};
