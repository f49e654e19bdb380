// Decodes an audio file with FFmpeg into 16-bit interleaved PCM at the file's own rate and channel
// count, with an exact length and sample-accurate seeking.
//
// Two ways to place decoded samples on the timeline:
//  - Direct (PCM and FLAC with a known total): the demuxer's timestamps are exact, and seeking
//    lands on exact frames.
//  - Indexed (everything else): when the file is opened, every packet of the audio stream is
//    listed with the number of samples it contributes (PacketIndexBuilder.h). For codecs whose
//    packets always decode to a known number of samples (MPEG audio, AAC, FLAC, Vorbis, Opus) only
//    the packets are read, which is fast; for the others (WMA, tracker modules ...) the file is
//    decoded once to count. Each packet read later is matched to its entry, so every decoded sample
//    has a known place whether decoding started at the beginning or after a seek. Seeks start a few
//    packets early so that the codec's state has settled by the target; one that loses its place
//    (lands after the target, or among packets the index does not know) decodes from the beginning
//    instead. The list of an unchanged file is kept for its later openings (PacketIndexCache.h); an
//    opening can be called off while it reads.
// Encoder delay and padding signalled by the container are dropped the same way on every path,
// so the length and the samples always agree; a packet that fails to decode becomes silence of
// its length rather than shifting what follows.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/FfmpegHandles.h"
#include "audio/LibraryLog.h"
#include "audio/PacketIndexCache.h"
#include "audio/SampleConversion.h"

namespace audio::detail {

// Which containers an opening call accepts.
enum class ContainerFilter { Any, Mp4Only, AsfOnly, ModuleOnly };

// The flag that calls off this thread's openings (audio::SetOpenCancelFlag); null for none.
void SetThreadOpenCancelFlag(const std::atomic<bool>* cancel);

class FileDecoder {
public:
    // Opens `path` (UTF-8), taking its index from `kept` when there and keeping the one it builds
    // there (null: none). On failure returns nullptr and sets `error` to an audio::ERROR_ code.
    static std::unique_ptr<FileDecoder> Open(const std::string& path, ContainerFilter filter,
                                             PacketIndexCache* kept, int& error);
    ~FileDecoder();
    FileDecoder(const FileDecoder&) = delete;
    FileDecoder& operator=(const FileDecoder&) = delete;

    int SampleRate() const { return m_nSampleRate; }
    int Channels() const { return m_nChannels; }
    std::uint32_t ChannelType() const { return m_dwChannelType; }
    int OriginalResolution() const { return m_nOrigRes; }

    std::uint64_t Length() const { return m_qwLength; }      // sample frames
    std::uint64_t Position() const { return m_qwPosition; }  // frame that Read returns next

    // Reads up to `frames` frames into `dst`; returns the count, 0 at the end.
    int Read(std::int16_t* dst, int frames);
    // Moves to `frame` (<= Length()). The next Read returns exactly the samples a decode from the
    // beginning would return at that frame.
    bool Seek(std::uint64_t frame);

    // What it takes to open the file again as a second decoder sharing this one's index
    // (copied on one thread, opened on another); empty `path` when there is none to be had.
    struct Twin {
        std::string path;
        ContainerFilter filter = ContainerFilter::Any;
        std::shared_ptr<const PacketIndex> index;
    };
    Twin TwinOf() const;
    static std::unique_ptr<FileDecoder> OpenTwin(const Twin& twin, int& error);

private:
    using IndexEntry = PacketIndexEntry;
    enum class Mode { Direct, Indexed };
    // What one step of decoding came to. LostPlace: what was decoded since a seek cannot be
    // placed (it lies after the target, or among packets the index does not know), and a
    // decode from the beginning would place it; the step's caller decides.
    enum class Step { Samples, End, LostPlace };
    // LandedLate: the first samples decoded after a seek lie after its target (nothing placed).
    enum class Placement { Placed, LandedLate };

    FileDecoder() = default;
    static std::unique_ptr<FileDecoder> OpenWith(const std::string& path, ContainerFilter filter,
                                                 std::shared_ptr<const PacketIndex> known,
                                                 PacketIndexCache* kept, int& error);
    int OpenFile(const std::string& path, ContainerFilter filter,
                 std::shared_ptr<const PacketIndex> known, PacketIndexCache* kept);
    int OpenFormat();
    bool ReopenFormat();
    int OpenCodec();
    void ChooseMode();
    int BuildIndex();  // an ERROR_ code
    // Whether an index kept from an earlier opening serves this one as well as its own would.
    bool MayShareIndex() const;
    void ListKeptPacketsInDemuxer();
    const std::vector<IndexEntry>& Index() const { return m_pIndex->entries; }
    void ComputeDirectLength();

    bool SeekDemuxerTo(std::size_t entry);
    bool RestartFromBeginning();
    void StopDecoding();
    bool DecodeMore();
    Step DecodeStep();
    bool ReadPacket();
    long FindEntry(const AVPacket* pkt) const;
    Placement PlaceFrame(const AVFrame* frame);
    Placement PlaceDirectFrame(const AVFrame* frame, const std::int16_t* samples);
    Placement PlaceIndexedFrame(const AVFrame* frame, const std::int16_t* samples);
    Placement AppendSamples(std::int64_t publicFirst, const std::int16_t* samples, int count);

    // FFmpeg's complaints about this file, summed up when the decoder goes (after the FFmpeg
    // objects below, so it is declared before them).
    DecoderMessages m_messages;
    std::string m_strPath;
    ContainerFilter m_filter = ContainerFilter::Any;
    bool m_bModule = false;

    // FFmpeg objects.
    FormatContextPtr m_pFormat;
    CodecContextPtr m_pCodec;
    PacketPtr m_pPacket;
    FramePtr m_pFrame;
    std::unique_ptr<FrameToInt16> m_pConvert;
    int m_nStream = -1;
    AVRational m_timeBase{1, 1};

    // Output format.
    int m_nSampleRate = 0;
    int m_nChannels = 0;
    std::uint32_t m_dwChannelType = 0;
    int m_nOrigRes = 0;

    Mode m_mode = Mode::Direct;
    bool m_bByteSeek = false;  // raw elementary streams: seek by byte, match packets by position
    std::shared_ptr<const PacketIndex> m_pIndex;  // shared with other openings of the file
    std::int64_t m_directBase = 0;                // timestamp of the first sample (direct mode)

    std::uint64_t m_qwLength = 0;
    std::uint64_t m_qwPosition = 0;  // next frame Read returns

    // Decoding state.
    bool m_bDemuxEnd = false;
    bool m_bDecoderDrained = false;
    long m_nextEntry = 0;            // index entry expected for the next packet read (-1 unknown)
    long m_framePacket = -1;         // entry the last decoded frame belonged to
    std::int64_t m_frameOffset = 0;  // samples of that packet decoded so far
    std::int64_t m_nextPublic = -1;  // timeline frame after the last placed sample (-1 unknown)
    int m_unmatchedPackets = 0;
    // A seek fell back to decoding from the beginning: a place lost after that is not reported
    // again, and what cannot be placed is made do with.
    bool m_bRestarted = false;

    // Decoded samples waiting to be read, in order after Position().
    std::vector<std::int16_t> m_pending;
    std::size_t m_pendingRead = 0;      // frames of m_pending already returned
    std::int64_t m_pendingSilence = 0;  // frames of silence that come before m_pending
};

}  // namespace audio::detail
