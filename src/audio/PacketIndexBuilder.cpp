#include "audio/PacketIndexBuilder.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace audio::detail {

namespace {

// Vorbis blocks are at most this long (the format's limit).
constexpr std::int64_t kLongestVorbisBlock = 8192;

std::atomic<std::uint64_t> g_filesCountedByDecoding{0};

// Codecs whose packets decode to a known number of samples, so that the index can be built from
// the packets alone.
bool CountsFromPackets(AVCodecID id) {
    switch (id) {
        case AV_CODEC_ID_MP1:
        case AV_CODEC_ID_MP2:
        case AV_CODEC_ID_MP3:
        case AV_CODEC_ID_AAC:
        case AV_CODEC_ID_FLAC:
        case AV_CODEC_ID_VORBIS:
        case AV_CODEC_ID_OPUS:
            return true;
        default:
            return false;
    }
}

// A packet's stated duration, plus, for Opus in Ogg, the padding trimmed from it.
std::int64_t DecodedSamples(AVCodecID id, std::int64_t duration, std::int32_t trimmedEnd) {
    return id == AV_CODEC_ID_OPUS ? duration + trimmedEnd : duration;
}

void ReadSkips(const uint8_t* side, size_t size, std::int32_t& skipStart, std::int32_t& skipEnd) {
    if (side && size >= 10) {
        skipStart += std::max<std::int32_t>(0, static_cast<std::int32_t>(AV_RL32(side)));
        skipEnd += std::max<std::int32_t>(0, static_cast<std::int32_t>(AV_RL32(side + 4)));
    }
}

void ReadPacketSkips(const AVPacket* pkt, PacketIndexEntry& entry) {
    size_t size = 0;
    const uint8_t* side = av_packet_get_side_data(pkt, AV_PKT_DATA_SKIP_SAMPLES, &size);
    ReadSkips(side, size, entry.headSkip, entry.keep);
}

// One pass over the stream in one way.
class Builder {
public:
    Builder(const IndexSource& source, IndexWay way)
        : m_source(source),
          m_way(way),
          m_timeBase(source.format->streams[source.stream]->time_base),
          m_sampleBase{1, source.codec->sample_rate},
          m_codecId(source.codec->codec_id) {}

    std::shared_ptr<const PacketIndex> Build();

private:
    bool CalledOff() const {
        return m_source.cancel && m_source.cancel->load(std::memory_order_relaxed);
    }
    // Each lists one packet; false where the way does not serve the file.
    bool AddByDuration(const AVPacket* pkt, PacketIndexEntry entry);
    bool AddByVorbisBlock(const AVPacket* pkt, PacketIndexEntry entry);
    void AddByDecoding(AVPacket* pkt, const PacketIndexEntry& entry);
    void TakeDecodedFrames();
    std::uint64_t PlacePackets();
    bool AgreesWithVorbisTotal(std::uint64_t length) const;

    const IndexSource& m_source;
    const IndexWay m_way;
    const AVRational m_timeBase;
    const AVRational m_sampleBase;
    const AVCodecID m_codecId;
    VorbisParserPtr m_vorbis;

    // Until the packets are placed, headSkip and keep hold the signalled start skip and end
    // padding.
    std::vector<PacketIndexEntry> m_entries;
    std::vector<std::int64_t> m_produced;  // decoded samples per packet
    std::vector<std::uint8_t> m_discard;   // the container marks the packet as not to be heard
    std::int64_t m_previousPts = AV_NOPTS_VALUE;
    std::int64_t m_previousDuration = 0;
};

std::shared_ptr<const PacketIndex> Builder::Build() {
    AVFormatContext* fmt = m_source.format;
    AVPacket* pkt = m_source.packet;
    if (m_way == IndexWay::VorbisBlocks) {
        const AVCodecParameters* par = fmt->streams[m_source.stream]->codecpar;
        m_vorbis.reset(av_vorbis_parse_init(par->extradata, par->extradata_size));
        if (!m_vorbis) return nullptr;
    }
    if (m_way == IndexWay::Decoding) g_filesCountedByDecoding.fetch_add(1);
    avcodec_flush_buffers(m_source.codec);

    while (av_read_frame(fmt, pkt) >= 0) {
        if (CalledOff()) {
            av_packet_unref(pkt);
            return nullptr;
        }
        if (pkt->stream_index != m_source.stream) {
            av_packet_unref(pkt);
            continue;
        }
        const PacketIndexEntry entry{pkt->pos, pkt->pts, 0, 0, 0, PacketFingerprint(pkt)};
        m_discard.push_back((pkt->flags & AV_PKT_FLAG_DISCARD) ? 1 : 0);
        bool served = true;
        switch (m_way) {
            case IndexWay::PacketDurations:
                served = AddByDuration(pkt, entry);
                break;
            case IndexWay::VorbisBlocks:
                served = AddByVorbisBlock(pkt, entry);
                break;
            case IndexWay::Decoding:
                AddByDecoding(pkt, entry);
                break;
        }
        av_packet_unref(pkt);
        if (!served) return nullptr;
    }
    if (m_way == IndexWay::Decoding) {
        avcodec_send_packet(m_source.codec, nullptr);
        TakeDecodedFrames();
        avcodec_flush_buffers(m_source.codec);
    }

    const std::uint64_t length = PlacePackets();
    if (m_way == IndexWay::VorbisBlocks && !AgreesWithVorbisTotal(length)) return nullptr;
    auto index = std::make_shared<PacketIndex>();
    index->entries = std::move(m_entries);
    index->length = length;
    return index;
}

bool Builder::AddByDuration(const AVPacket* pkt, PacketIndexEntry entry) {
    // A duration that disagrees with the next packet's timestamp cannot be trusted.
    const bool gap = pkt->pts != AV_NOPTS_VALUE && m_previousPts != AV_NOPTS_VALUE &&
                     pkt->pts - m_previousPts != m_previousDuration;
    if (pkt->duration <= 0 || gap) return false;
    m_previousPts = pkt->pts;
    m_previousDuration = pkt->duration;
    ReadPacketSkips(pkt, entry);
    m_produced.push_back(DecodedSamples(
        m_codecId, av_rescale_q(pkt->duration, m_timeBase, m_sampleBase), entry.keep));
    m_entries.push_back(entry);
    return true;
}

bool Builder::AddByVorbisBlock(const AVPacket* pkt, PacketIndexEntry entry) {
    const int samples = av_vorbis_parse_frame(m_vorbis.get(), pkt->data, pkt->size);
    if (samples < 0) return false;
    ReadPacketSkips(pkt, entry);
    // The first packet only primes the decoder.
    m_produced.push_back(m_entries.empty() ? 0 : samples);
    m_entries.push_back(entry);
    return true;
}

void Builder::AddByDecoding(AVPacket* pkt, const PacketIndexEntry& entry) {
    m_produced.push_back(0);
    m_entries.push_back(entry);
    // The decoded frames carry the packet's number as their timestamp.
    pkt->pts = pkt->dts = static_cast<std::int64_t>(m_entries.size() - 1);
    if (avcodec_send_packet(m_source.codec, pkt) >= 0) TakeDecodedFrames();
}

// Counting by decoding also takes the delay and padding from the decoded frames, which carry
// what the decoder itself would drop.
void Builder::TakeDecodedFrames() {
    AVFrame* frame = m_source.frame;
    while (avcodec_receive_frame(m_source.codec, frame) == 0) {
        std::int64_t owner = frame->pts;
        if (owner == AV_NOPTS_VALUE || owner < 0 ||
            owner >= static_cast<std::int64_t>(m_produced.size()))
            owner = static_cast<std::int64_t>(m_produced.size()) - 1;
        if (owner >= 0) {
            m_produced[owner] += frame->nb_samples;
            if (const AVFrameSideData* side =
                    av_frame_get_side_data(frame, AV_FRAME_DATA_SKIP_SAMPLES))
                ReadSkips(side->data, side->size, m_entries[owner].headSkip, m_entries[owner].keep);
        }
        av_frame_unref(frame);
    }
}

// Turns the signalled delay and padding into what each packet keeps, places the packets, and
// returns the length of the timeline.
std::uint64_t Builder::PlacePackets() {
    std::int64_t skipCarry = 0;
    std::int64_t publicPos = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        PacketIndexEntry& e = m_entries[i];
        const std::int64_t count = m_produced[i];
        skipCarry += e.headSkip;
        std::int64_t head = std::min(skipCarry, count);
        skipCarry -= head;
        std::int64_t tail = std::min<std::int64_t>(e.keep, count - head);
        if (m_discard[i]) head = count, tail = 0;
        e.headSkip = static_cast<std::int32_t>(head);
        e.keep = static_cast<std::int32_t>(count - head - tail);
        e.publicStart = publicPos;
        publicPos += e.keep;
    }
    return static_cast<std::uint64_t>(publicPos);
}

// The last page's granule position states the Vorbis total. Recordings joined by FFmpeg state a
// little more than their packets hold (it counts the joins' timestamp gaps), and decoding gives
// what the packets hold, as counted here. Any other disagreement is not trusted.
bool Builder::AgreesWithVorbisTotal(std::uint64_t length) const {
    const AVStream* st = m_source.format->streams[m_source.stream];
    if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) return true;
    const std::int64_t beyond =
        av_rescale_q(st->duration, m_timeBase, m_sampleBase) - static_cast<std::int64_t>(length);
    return beyond >= 0 && beyond <= kLongestVorbisBlock;
}

}  // namespace

IndexWay FirstIndexWay(AVCodecID codec, bool rendered) {
    if (rendered || !CountsFromPackets(codec)) return IndexWay::Decoding;
    return codec == AV_CODEC_ID_VORBIS ? IndexWay::VorbisBlocks : IndexWay::PacketDurations;
}

std::shared_ptr<const PacketIndex> BuildPacketIndex(const IndexSource& source, IndexWay way) {
    return Builder(source, way).Build();
}

// The first and last 64 bytes are mixed in eight at a time: opening an hour-long song
// fingerprints some 150 000 packets. The values live only as long as the process.
std::uint32_t PacketFingerprint(const AVPacket* pkt) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(pkt->size);
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 29;
    };
    const auto mixBytes = [&mix](const std::uint8_t* bytes, int count) {
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, 8);
            mix(word);
        }
        std::uint64_t rest = 0;
        std::memcpy(&rest, bytes + i, static_cast<std::size_t>(count - i));
        mix(rest ^ (static_cast<std::uint64_t>(count - i) << 56));
    };
    if (pkt->size <= 0 || !pkt->data) return static_cast<std::uint32_t>(hash);
    const int head = std::min(pkt->size, 64);
    mixBytes(pkt->data, head);
    const int tail = std::max(head, pkt->size - 64);
    mixBytes(pkt->data + tail, pkt->size - tail);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

std::uint64_t FilesCountedByDecoding() {
    return g_filesCountedByDecoding.load();
}

}  // namespace audio::detail
