#include "export/LoopSave.h"

#include <memory>

#include "engine/PlaybackEngine.h"
#include "export/AacSink.h"
#include "export/Mp3Sink.h"
#include "export/RenderChain.h"
#include "export/WavSink.h"
#include "export/WmaSink.h"

namespace {

// What a format carries, and the language texts of its failures.
struct SaveFormat {
    bool bVocalReduction;
    bool bEqualiser;
    RenderChain::Messages chain;  // the song cannot be decoded, or given a tempo stream
    int nEncoderFailed;           // the file or the encoder cannot be opened or written
};

SaveFormat FormatOf(OutputWriter writer) {
    switch (writer) {
        case OutputWriter::Wav:
            return {true, true, {43, 44}, 45};
        case OutputWriter::Mp3:
            return {false, false, {112, 113, true}, 114};
        case OutputWriter::Aac:
        case OutputWriter::Mp4:
        case OutputWriter::M4a:
            return {true, false, {49, 50, true}, 51};
        case OutputWriter::Wma:
            break;
    }
    return {true, false, {52, 53, true}, 54};
}

std::unique_ptr<CEncodeSink> SinkFor(OutputWriter writer, const std::string& destination,
                                     QWidget* owner, int nFailed) {
    const SinkMessage failed{nFailed, SinkMessage::Argument::ErrorCode};
    const SinkMessages messages{owner, failed, failed, {}};  // a cancelled MP3 choice is not said
    switch (writer) {
        case OutputWriter::Wav: {
            const SinkMessage unwritten{nFailed, SinkMessage::Argument::Destination};
            // A render past 4 GB is kept, with sizes that wrap as every reader expects.
            return std::make_unique<CWavSink>(destination,
                                              SinkMessages{owner, unwritten, unwritten, {}},
                                              CWavFile::PastFourGigabytes::Wrap);
        }
        case OutputWriter::Mp3:
            // The blocks are changed (the volume) after they are read: they are written to it.
            return std::make_unique<CMp3Sink>(destination, messages, CMp3Sink::Feed::Written);
        case OutputWriter::Aac:
            return std::make_unique<CAacSink>(destination, messages, "");
        case OutputWriter::Mp4:
        case OutputWriter::M4a:
            return std::make_unique<CAacSink>(destination, messages, "-w");
        case OutputWriter::Wma:
            break;
    }
    return std::make_unique<CWmaSink>(destination, messages);
}

}  // namespace

bool SaveLoop(CPlaybackEngine& engine, const std::string& destination, OutputWriter writer,
              const RenderSettings& settings) {
    const SaveFormat format = FormatOf(writer);
    const std::unique_ptr<CEncodeSink> sink =
        SinkFor(writer, destination, engine.Window(), format.nEncoderFailed);

    RenderChain chain(engine);
    if (!chain.SetSongAside(destination) || !sink->Prepare() || !chain.CreateStreams(format.chain))
        return false;  // the chain puts a song set aside back as it goes
    const SinkOpened opened = sink->Open(chain.Stream());
    bool bWritten = false;
    if (opened == SinkOpened::Ready) {
        RenderSettings applied = settings;
        if (!format.bVocalReduction) applied.sound.nVocalLevel = 0;
        chain.Configure(applied, format.bEqualiser);
        const bool bPulled = chain.Pull(
            [&](const char* bytes, std::size_t count) { return sink->Write(bytes, count); });
        bWritten = sink->Close() && bPulled;
    } else if (opened == SinkOpened::Skip) {
        sink->Close();
    }
    chain.Close(bWritten);
    return bWritten;
}
