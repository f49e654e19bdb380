#include "audio/FileDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "audio/Audio.h"
#include "audio/PacketIndexBuilder.h"

namespace audio::detail {

namespace {

// A seek starts this many packets (and at least this many samples) before its target, so that
// bit reservoirs and overlapping transforms have settled when the target is reached.
constexpr long kPrerollPackets = 8;
constexpr std::int64_t kPrerollSamples = 4096;
// How far around the expected place a packet read after a seek is looked for in the index.
constexpr long kMatchWindow = 64;

bool IsPcm(AVCodecID id) {
    return id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

thread_local const std::atomic<bool>* t_openCancel = nullptr;

bool OpeningCalledOff() {
    return t_openCancel && t_openCancel->load(std::memory_order_relaxed);
}

int CheckReadableFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return ERROR_FILEOPEN;
    if (!S_ISREG(info.st_mode)) return ERROR_FILEOPEN;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ERROR_FILEOPEN;
    close(fd);
    if (info.st_size == 0) return ERROR_FILEFORM;
    return ERROR_OK;
}

bool NameHas(const char* names, const char* part) {
    return names && std::strstr(names, part);
}

std::uint32_t ChannelTypeFor(AVCodecID id, const char* format) {
    if (NameHas(format, "libopenmpt")) return CTYPE_MUSIC_MOD;
    if (NameHas(format, "asf")) return CTYPE_STREAM_WMA;
    if (NameHas(format, "mp4")) return id == AV_CODEC_ID_AAC ? CTYPE_STREAM_MP4 : CTYPE_STREAM;
    if (NameHas(format, "aiff")) return CTYPE_STREAM_AIFF;
    if (NameHas(format, "wav") && IsPcm(id)) return CTYPE_STREAM_WAV_PCM;
    switch (id) {
        case AV_CODEC_ID_MP1:
            return CTYPE_STREAM_MP1;
        case AV_CODEC_ID_MP2:
            return CTYPE_STREAM_MP2;
        case AV_CODEC_ID_MP3:
            return CTYPE_STREAM_MP3;
        case AV_CODEC_ID_VORBIS:
            return CTYPE_STREAM_OGG;
        case AV_CODEC_ID_OPUS:
            return CTYPE_STREAM_OPUS;
        case AV_CODEC_ID_FLAC:
            return CTYPE_STREAM_FLAC;
        case AV_CODEC_ID_AAC:
            return CTYPE_STREAM_AAC;
        default:
            return CTYPE_STREAM;
    }
}

// MPEG audio: the floating-point decoders carry no rounding state from frame to frame, so a
// decode that starts after a seek settles on exactly the samples of a decode from the start.
const AVCodec* FindDecoder(AVCodecID id) {
    const char* preferred = nullptr;
    if (id == AV_CODEC_ID_MP1) preferred = "mp1float";
    if (id == AV_CODEC_ID_MP2) preferred = "mp2float";
    if (id == AV_CODEC_ID_MP3) preferred = "mp3float";
    if (preferred)
        if (const AVCodec* codec = avcodec_find_decoder_by_name(preferred)) return codec;
    return avcodec_find_decoder(id);
}

}  // namespace

void SetThreadOpenCancelFlag(const std::atomic<bool>* cancel) {
    t_openCancel = cancel;
}

std::unique_ptr<FileDecoder> FileDecoder::Open(const std::string& path, ContainerFilter filter,
                                               PacketIndexCache* kept, int& error) {
    return OpenWith(path, filter, nullptr, kept, error);
}

FileDecoder::Twin FileDecoder::TwinOf() const {
    // A module renders differently after a seek of its own: a second one could not stand ahead.
    if (m_bModule) return {};
    return Twin{m_strPath, m_filter, m_pIndex};
}

std::unique_ptr<FileDecoder> FileDecoder::OpenTwin(const Twin& twin, int& error) {
    return OpenWith(twin.path, twin.filter, twin.index, nullptr, error);
}

std::unique_ptr<FileDecoder> FileDecoder::OpenWith(const std::string& path, ContainerFilter filter,
                                                   std::shared_ptr<const PacketIndex> known,
                                                   PacketIndexCache* kept, int& error) {
    InstallLibraryLogging();
    std::unique_ptr<FileDecoder> decoder(new FileDecoder);
    decoder->m_messages.SetFile(path);
    {
        const DecoderMessageScope scope(decoder->m_messages);
        error = decoder->OpenFile(path, filter, std::move(known), kept);
    }
    if (error != ERROR_OK) {
        decoder->m_messages.Discard();  // the caller reports the failure
        return nullptr;
    }
    return decoder;
}

FileDecoder::~FileDecoder() = default;

int FileDecoder::OpenFormat() {
    const AVInputFormat* forced = nullptr;
    AVDictionary* options = nullptr;
    if (m_bModule) {
        forced = av_find_input_format("libopenmpt");
        if (!forced) return ERROR_FILEFORM;
        av_dict_set(&options, "sample_rate", "44100", 0);
    }
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, m_strPath.c_str(), forced, &options);
    av_dict_free(&options);
    if (r < 0) {
        if (r == AVERROR(ENOMEM)) return ERROR_MEM;
        return (r == AVERROR(ENOENT) || r == AVERROR(EACCES)) ? ERROR_FILEOPEN : ERROR_FILEFORM;
    }
    m_pFormat.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return ERROR_FILEFORM;
    return ERROR_OK;
}

// Opens the file again, positioned at its beginning: the one rewind every container supports.
// Where the file cannot be opened again (it went away), the demuxer open now stays.
bool FileDecoder::ReopenFormat() {
    FormatContextPtr open = std::move(m_pFormat);
    if (OpenFormat() != ERROR_OK || m_nStream >= static_cast<int>(m_pFormat->nb_streams)) {
        m_pFormat = std::move(open);
        return false;
    }
    AVFormatContext* fmt = m_pFormat.get();
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        fmt->streams[i]->discard =
            static_cast<int>(i) == m_nStream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return true;
}

int FileDecoder::OpenFile(const std::string& path, ContainerFilter filter,
                          std::shared_ptr<const PacketIndex> known, PacketIndexCache* kept) {
    if (OpeningCalledOff()) return ERROR_OPEN_CANCELLED;
    if (int e = CheckReadableFile(path)) return e;
    m_strPath = path;
    m_filter = filter;
    m_bModule = filter == ContainerFilter::ModuleOnly;
    if (int e = OpenFormat()) return e;
    AVFormatContext* raw = m_pFormat.get();

    const char* name = raw->iformat->name;
    if (filter == ContainerFilter::Mp4Only && !NameHas(name, "mp4")) return ERROR_FILEFORM;
    if (filter == ContainerFilter::AsfOnly && !NameHas(name, "asf")) return ERROR_FILEFORM;

    m_nStream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_nStream < 0) return ERROR_FILEFORM;
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        raw->streams[i]->discard =
            static_cast<int>(i) == m_nStream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    m_timeBase = raw->streams[m_nStream]->time_base;

    if (int e = OpenCodec()) return e;
    m_dwChannelType = ChannelTypeFor(m_pCodec->codec_id, name);

    ChooseMode();
    if (m_mode == Mode::Direct) {
        ComputeDirectLength();
    } else {
        IndexedFile identity;
        const bool shareable =
            kept && !known && MayShareIndex() && identity.Identify(path, static_cast<int>(filter));
        m_pIndex = std::move(known);
        if (!m_pIndex && shareable) m_pIndex = kept->Find(identity);
        if (m_pIndex) {
            ListKeptPacketsInDemuxer();
        } else {
            if (int e = BuildIndex()) return e;
            if (shareable) kept->Keep(identity, m_pIndex);
        }
        m_qwLength = m_pIndex->length;
    }
    if (!Seek(0)) return ERROR_FILEFORM;
    return ERROR_OK;
}

int FileDecoder::OpenCodec() {
    const AVCodecParameters* par = m_pFormat->streams[m_nStream]->codecpar;
    const AVCodec* codec = FindDecoder(par->codec_id);
    if (!codec) return ERROR_CODEC;
    m_pCodec.reset(avcodec_alloc_context3(codec));
    if (!m_pCodec) return ERROR_MEM;
    if (avcodec_parameters_to_context(m_pCodec.get(), par) < 0) return ERROR_CODEC;
    m_pCodec->pkt_timebase = m_timeBase;
    // Delay and padding are dropped by this decoder's own index, the same way on every path.
    m_pCodec->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
    m_pCodec->thread_count = 1;
    if (avcodec_open2(m_pCodec.get(), codec, nullptr) < 0) return ERROR_CODEC;

    m_nSampleRate = m_pCodec->sample_rate;
    m_nChannels = m_pCodec->ch_layout.nb_channels;
    if (m_nSampleRate <= 0 || m_nChannels <= 0) return ERROR_FILEFORM;
    m_nOrigRes = par->bits_per_raw_sample ? par->bits_per_raw_sample
                                          : (IsPcm(par->codec_id) ? par->bits_per_coded_sample : 0);

    m_pPacket.reset(av_packet_alloc());
    m_pFrame.reset(av_frame_alloc());
    m_pConvert = std::make_unique<FrameToInt16>(m_nChannels);
    if (!m_pPacket || !m_pFrame) return ERROR_MEM;
    return ERROR_OK;
}

void FileDecoder::ChooseMode() {
    const AVStream* st = m_pFormat->streams[m_nStream];
    const AVCodecID id = m_pCodec->codec_id;
    const char* name = m_pFormat->iformat->name;
    // Raw elementary streams have no timestamps of their own: seek by byte, match by position.
    m_bByteSeek = !std::strcmp(name, "mp3") || !std::strcmp(name, "aac");
    const bool knownTotal = st->duration != AV_NOPTS_VALUE && st->duration > 0;
    // Tracker modules arrive as PCM rendered by the demuxer, with no length of their own.
    if (m_bModule)
        m_mode = Mode::Indexed;
    else if (IsPcm(id) || (id == AV_CODEC_ID_FLAC && knownTotal && !m_bByteSeek))
        m_mode = Mode::Direct;
    else
        m_mode = Mode::Indexed;
}

bool FileDecoder::MayShareIndex() const {
    // Modules are rendered rather than read: there is no pass to save.
    return !m_bModule;
}

void FileDecoder::ListKeptPacketsInDemuxer() {
    // A container that seeks by timestamp through the packets it has listed while reading (its
    // generic index) would, on a file not read through, read from the start to every target:
    // it is given the packets a reading through would have listed.
    if (m_bByteSeek || !(m_pFormat->iformat->flags & AVFMT_GENERIC_INDEX)) return;
    AVStream* st = m_pFormat->streams[m_nStream];
    for (const IndexEntry& e : Index())
        if (e.pts != AV_NOPTS_VALUE && e.pos >= 0)
            av_add_index_entry(st, e.pos, e.pts, 0, 0, AVINDEX_KEYFRAME);
}

void FileDecoder::ComputeDirectLength() {
    const AVStream* st = m_pFormat->streams[m_nStream];
    const AVCodecParameters* par = st->codecpar;
    m_directBase = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    std::int64_t frames = -1;
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        frames = av_rescale_q(st->duration, m_timeBase, AVRational{1, m_nSampleRate});

    if (IsPcm(par->codec_id)) {
        // The header's size may be wrong (a recorder that stopped early, or a size of 4 GB):
        // the data really present decides.
        const int blockAlign = par->block_align > 0
                                   ? par->block_align
                                   : m_nChannels * std::max(1, par->bits_per_coded_sample / 8);
        std::int64_t dataStart = -1;
        while (av_read_frame(m_pFormat.get(), m_pPacket.get()) >= 0) {
            const bool ours = m_pPacket->stream_index == m_nStream;
            dataStart = m_pPacket->pos;
            av_packet_unref(m_pPacket.get());
            if (ours) break;
        }
        const std::int64_t fileSize = avio_size(m_pFormat->pb);
        if (dataStart < 0) {
            frames = 0;
        } else if (fileSize > dataStart) {
            const std::int64_t present = (fileSize - dataStart) / blockAlign;
            frames = frames < 0 ? present : std::min(frames, present);
        }
    }
    m_qwLength = static_cast<std::uint64_t>(std::max<std::int64_t>(0, frames));
}

// The quick way for the codec first; where some packet had no duration, or a wrong one, the
// file is counted by decoding instead.
int FileDecoder::BuildIndex() {
    const IndexWay first = FirstIndexWay(m_pCodec->codec_id, m_dwChannelType == CTYPE_MUSIC_MOD);
    const auto source = [this] {
        return IndexSource{m_pFormat.get(), m_nStream,      m_pCodec.get(),
                           m_pPacket.get(), m_pFrame.get(), t_openCancel};
    };
    if (OpeningCalledOff()) return ERROR_OPEN_CANCELLED;
    m_pIndex = BuildPacketIndex(source(), first);
    if (!m_pIndex) {
        if (OpeningCalledOff()) return ERROR_OPEN_CANCELLED;
        if (first != IndexWay::Decoding && ReopenFormat())
            m_pIndex = BuildPacketIndex(source(), IndexWay::Decoding);
        if (!m_pIndex) return OpeningCalledOff() ? ERROR_OPEN_CANCELLED : ERROR_FILEFORM;
    }
    if (Index().empty()) return ERROR_FILEFORM;
    return ERROR_OK;
}

bool FileDecoder::Seek(std::uint64_t frame) {
    const DecoderMessageScope scope(m_messages);
    if (frame > m_qwLength) return false;
    m_pending.clear();
    m_pendingRead = 0;
    m_pendingSilence = 0;
    m_qwPosition = frame;
    m_nextPublic = -1;
    m_framePacket = -1;
    m_bRestarted = false;
    if (frame == m_qwLength) {
        m_bDemuxEnd = m_bDecoderDrained = true;
        return true;
    }
    if (m_mode == Mode::Direct) {
        const std::int64_t ts =
            m_directBase + av_rescale_q(static_cast<std::int64_t>(frame),
                                        AVRational{1, m_nSampleRate}, m_timeBase);
        if (av_seek_frame(m_pFormat.get(), m_nStream, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(m_pFormat.get(), m_nStream, m_directBase, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        avcodec_flush_buffers(m_pCodec.get());
        m_bDemuxEnd = m_bDecoderDrained = false;
        return true;
    }
    // The packet holding the target, then a few packets earlier.
    const std::vector<IndexEntry>& index = Index();
    auto it =
        std::upper_bound(index.begin(), index.end(), static_cast<std::int64_t>(frame),
                         [](std::int64_t f, const IndexEntry& e) { return f < e.publicStart; });
    long target = static_cast<long>(it - index.begin()) - 1;
    // A module renders differently after a seek of its own: play it from the top instead.
    if (m_bModule) target = 0;
    long start = std::max(0L, target);
    while (start > 0 &&
           (target - start < kPrerollPackets ||
            static_cast<std::int64_t>(frame) - index[start].publicStart < kPrerollSamples))
        --start;
    return SeekDemuxerTo(static_cast<std::size_t>(start));
}

bool FileDecoder::SeekDemuxerTo(std::size_t entry) {
    AVFormatContext* fmt = m_pFormat.get();
    const IndexEntry& e = Index()[entry];
    int r = -1;
    if (m_bModule)
        r = -1;  // reopened below
    else if (m_bByteSeek)
        r = av_seek_frame(fmt, -1, e.pos, AVSEEK_FLAG_BYTE);
    else if (e.pts != AV_NOPTS_VALUE)
        r = av_seek_frame(fmt, m_nStream, e.pts, AVSEEK_FLAG_BACKWARD);
    if (r < 0) {
        // No usable seek here: start over from the beginning and decode forward.
        if (!ReopenFormat()) {
            StopDecoding();
            return false;
        }
        entry = 0;
    }
    avcodec_flush_buffers(m_pCodec.get());
    m_bDemuxEnd = m_bDecoderDrained = false;
    m_nextEntry = static_cast<long>(entry);
    m_unmatchedPackets = 0;
    m_framePacket = -1;
    return true;
}

bool FileDecoder::RestartFromBeginning() {
    if (m_bRestarted) return false;
    m_bRestarted = true;
    m_pending.clear();
    m_pendingRead = 0;
    m_pendingSilence = 0;
    m_nextPublic = -1;
    m_framePacket = -1;
    if (m_mode == Mode::Direct) {
        if (!ReopenFormat()) return false;
        avcodec_flush_buffers(m_pCodec.get());
        m_bDemuxEnd = m_bDecoderDrained = false;
        return true;
    }
    return SeekDemuxerTo(0);
}

// Where the decoder cannot go on from (its file went away), what is left reads as silence.
void FileDecoder::StopDecoding() {
    m_bDemuxEnd = m_bDecoderDrained = true;
}

int FileDecoder::Read(std::int16_t* dst, int frames) {
    const DecoderMessageScope scope(m_messages);
    int done = 0;
    while (done < frames && m_qwPosition < m_qwLength) {
        const std::uint64_t left = m_qwLength - m_qwPosition;
        const int room = static_cast<int>(std::min<std::uint64_t>(frames - done, left));
        if (m_pendingSilence > 0) {
            const int n = static_cast<int>(std::min<std::int64_t>(room, m_pendingSilence));
            std::memset(dst + static_cast<std::size_t>(done) * m_nChannels, 0,
                        sizeof(std::int16_t) * n * m_nChannels);
            m_pendingSilence -= n;
            done += n;
            m_qwPosition += n;
            continue;
        }
        const std::size_t pendingFrames = m_pending.size() / m_nChannels - m_pendingRead;
        if (pendingFrames > 0) {
            const int n = static_cast<int>(std::min<std::size_t>(room, pendingFrames));
            std::memcpy(dst + static_cast<std::size_t>(done) * m_nChannels,
                        m_pending.data() + m_pendingRead * m_nChannels,
                        sizeof(std::int16_t) * n * m_nChannels);
            m_pendingRead += n;
            done += n;
            m_qwPosition += n;
            continue;
        }
        m_pending.clear();
        m_pendingRead = 0;
        if (!DecodeMore()) {
            // The file ended (or broke off) early: its missing tail reads as silence, so that
            // the length and the samples keep agreeing.
            m_pendingSilence = static_cast<std::int64_t>(m_qwLength - m_qwPosition);
        }
    }
    return done;
}

// The one place that restarts: a step that lost its place after a seek is followed by a decode
// from the beginning, once per seek.
bool FileDecoder::DecodeMore() {
    for (;;) {
        switch (DecodeStep()) {
            case Step::Samples:
                return true;
            case Step::End:
                return false;
            case Step::LostPlace:
                if (!RestartFromBeginning()) {
                    StopDecoding();
                    return false;
                }
                break;
        }
    }
}

// Decodes until samples wait to be read, the stream ends, or what was decoded cannot be placed.
FileDecoder::Step FileDecoder::DecodeStep() {
    AVCodecContext* codec = m_pCodec.get();
    for (;;) {
        if (m_bDecoderDrained) return Step::End;
        int r = avcodec_receive_frame(codec, m_pFrame.get());
        if (r == 0) {
            const Placement placement = PlaceFrame(m_pFrame.get());
            av_frame_unref(m_pFrame.get());
            if (placement == Placement::LandedLate) return Step::LostPlace;
            if (m_pendingSilence > 0 || !m_pending.empty()) return Step::Samples;
            continue;
        }
        if (r == AVERROR_EOF || (r != AVERROR(EAGAIN) && m_bDemuxEnd)) {
            m_bDecoderDrained = true;
            return Step::End;
        }
        // Needs input (or the last packet did not decode: its samples become silence).
        if (m_bDemuxEnd) {
            m_bDecoderDrained = true;
            return Step::End;
        }
        if (!ReadPacket()) {
            m_bDemuxEnd = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (m_mode == Mode::Indexed && m_nextPublic < 0 && m_unmatchedPackets > kMatchWindow &&
            !m_bRestarted) {
            // Nothing read since the seek is in the index.
            av_packet_unref(m_pPacket.get());
            return Step::LostPlace;
        }
        avcodec_send_packet(codec, m_pPacket.get());
        av_packet_unref(m_pPacket.get());
    }
}

bool FileDecoder::ReadPacket() {
    AVPacket* pkt = m_pPacket.get();
    for (;;) {
        if (av_read_frame(m_pFormat.get(), pkt) < 0) return false;
        if (pkt->stream_index != m_nStream) {
            av_packet_unref(pkt);
            continue;
        }
        if (m_mode == Mode::Indexed) {
            const long entry = FindEntry(pkt);
            if (entry >= 0) {
                m_nextEntry = entry + 1;
                pkt->pts = pkt->dts = entry;
            } else {
                ++m_unmatchedPackets;
                pkt->pts = pkt->dts = AV_NOPTS_VALUE;
            }
        }
        return true;
    }
}

long FileDecoder::FindEntry(const AVPacket* pkt) const {
    const std::vector<IndexEntry>& index = Index();
    const long size = static_cast<long>(index.size());
    auto matches = [&](long i) {
        if (i < 0 || i >= size) return false;
        const IndexEntry& e = index[i];
        return e.pos == pkt->pos && e.fingerprint == PacketFingerprint(pkt);
    };
    const long expected = m_nextEntry >= 0 ? m_nextEntry : 0;
    if (matches(expected)) return expected;
    for (long d = 1; d <= kMatchWindow; ++d) {
        if (matches(expected + d)) return expected + d;
        if (matches(expected - d)) return expected - d;
    }
    return -1;
}

FileDecoder::Placement FileDecoder::PlaceFrame(const AVFrame* frame) {
    if (frame->nb_samples <= 0) return Placement::Placed;
    const std::int16_t* samples = m_pConvert->Convert(frame);
    return m_mode == Mode::Direct ? PlaceDirectFrame(frame, samples)
                                  : PlaceIndexedFrame(frame, samples);
}

FileDecoder::Placement FileDecoder::PlaceDirectFrame(const AVFrame* frame,
                                                     const std::int16_t* samples) {
    std::int64_t first;
    if (frame->pts != AV_NOPTS_VALUE)
        first = av_rescale_q(frame->pts - m_directBase, m_timeBase, AVRational{1, m_nSampleRate});
    else if (m_nextPublic >= 0)
        first = m_nextPublic;
    else
        return Placement::Placed;  // cannot be placed: dropped
    return AppendSamples(first, samples, frame->nb_samples);
}

FileDecoder::Placement FileDecoder::PlaceIndexedFrame(const AVFrame* frame,
                                                      const std::int16_t* samples) {
    long entry = -1;
    if (frame->pts != AV_NOPTS_VALUE && frame->pts >= 0 &&
        frame->pts < static_cast<std::int64_t>(Index().size()))
        entry = static_cast<long>(frame->pts);
    if (entry < 0) entry = m_framePacket;     // a further frame of the same packet
    if (entry < 0) return Placement::Placed;  // cannot be placed: dropped
    if (entry != m_framePacket) {
        m_framePacket = entry;
        m_frameOffset = 0;
    }
    const IndexEntry& e = Index()[entry];
    const std::int64_t first = m_frameOffset;
    m_frameOffset += frame->nb_samples;
    const std::int64_t from = std::max<std::int64_t>(first, e.headSkip);
    const std::int64_t to = std::min<std::int64_t>(m_frameOffset, e.headSkip + e.keep);
    if (to <= from) return Placement::Placed;
    return AppendSamples(e.publicStart + (from - e.headSkip),
                         samples + (from - first) * m_nChannels, static_cast<int>(to - from));
}

FileDecoder::Placement FileDecoder::AppendSamples(std::int64_t publicFirst,
                                                  const std::int16_t* samples, int count) {
    const std::int64_t wanted =
        static_cast<std::int64_t>(m_qwPosition) +
        static_cast<std::int64_t>(m_pending.size() / m_nChannels - m_pendingRead) +
        m_pendingSilence;
    // The first samples after a seek lie after its target.
    if (m_nextPublic < 0 && publicFirst > wanted && !m_bRestarted) return Placement::LandedLate;
    std::int64_t last =
        std::min<std::int64_t>(publicFirst + count, static_cast<std::int64_t>(m_qwLength));
    m_nextPublic = std::max(m_nextPublic, last);
    if (last <= wanted) return Placement::Placed;
    if (publicFirst > wanted) {
        // A packet that did not decode: its samples are silence.
        if (m_pending.empty())
            m_pendingSilence += publicFirst - wanted;
        else
            m_pending.resize(m_pending.size() + (publicFirst - wanted) * m_nChannels, 0);
    }
    const std::int64_t skip = std::max<std::int64_t>(0, wanted - publicFirst);
    const std::int64_t take = last - publicFirst - skip;
    m_pending.insert(m_pending.end(), samples + skip * m_nChannels,
                     samples + (skip + take) * m_nChannels);
    return Placement::Placed;
}

}  // namespace audio::detail
