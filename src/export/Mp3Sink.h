#pragma once

#include "export/EncodeSink.h"

// MPEG Layer-3 frames with nothing before them, in the format the user picks in the MP3 format
// chooser (formats for the stream's channel count). A cancelled chooser, or no MP3 encoder, is
// said with formatNotChosen (nothing when its text is 0) and writes no file.
class CMp3Sink final : public CEncodeSink {
public:
    // How the blocks reach the encoder.
    enum class Feed {
        Written,   // paused, it takes only what Write gives it: blocks changed after reading
        ByStream,  // not paused, reading the stream feeds it: blocks passed on as they are
    };
    CMp3Sink(std::string destination, SinkMessages messages, Feed feed);

    SinkOpened Open(audio::HSTREAM stream) override;
    bool Write(const char* bytes, std::size_t count) override;
    bool Close() override;

private:
    Feed m_feed;
    audio::HENCODE m_encoder = 0;
};
