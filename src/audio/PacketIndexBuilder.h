// Builds the packet index of a file's audio stream (PacketIndexCache.h holds its entries): one
// pass over the stream lists every packet with the samples it contributes, by one of three ways:
//  - from the packets' stated durations (MPEG audio, AAC, FLAC, Opus): only the packets are read;
//  - from the Vorbis packets' own block sizes (Ogg's demuxer misstates some of their durations);
//  - by decoding every packet and counting what it gives (every other codec, tracker modules).
// The delay and padding signalled by the container are then turned into the samples each packet
// keeps, and the packets are placed on the timeline one after another.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/FfmpegHandles.h"
#include "audio/PacketIndexCache.h"

namespace audio::detail {

enum class IndexWay { PacketDurations, VorbisBlocks, Decoding };

// The way to try first for a stream of `codec`; `rendered`: a tracker module, whose samples the
// demuxer renders.
IndexWay FirstIndexWay(AVCodecID codec, bool rendered);

// What a building reads: the demuxer standing at the start of the stream, which it leaves at the
// end, and the stream's opened decoder, which it leaves flushed.
struct IndexSource {
    AVFormatContext* format = nullptr;
    int stream = -1;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;                 // scratch
    AVFrame* frame = nullptr;                   // scratch
    const std::atomic<bool>* cancel = nullptr;  // raised: the building stops; may be null
};

// The stream's index, or null when `way` does not serve this file (a packet without a duration,
// or with one its successor's timestamp contradicts; a Vorbis total that disagrees) or the
// building was called off.
std::shared_ptr<const PacketIndex> BuildPacketIndex(const IndexSource& source, IndexWay way);

// Identifies a packet among its neighbours: demuxers do not always give the same timestamps to
// the same packet after a seek, but its position, size and bytes stay the same.
std::uint32_t PacketFingerprint(const AVPacket* pkt);

// Buildings so far that decoded a whole file to count it (the slow way to open).
std::uint64_t FilesCountedByDecoding();

}  // namespace audio::detail
