#include "AacWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "QualityBitrate.h"

namespace faac {
namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FormatContextFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb != nullptr) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
struct SwrFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct FifoFree {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
struct FrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void Check(int code, const std::string& what) {
    if (code < 0) throw EncodeError(what + ": " + AvError(code));
}

// The input's rate if the encoder takes it, else the next rate up it takes (or its highest).
int EncodingRate(int inputRate, const int* supported) {
    if (supported == nullptr) return inputRate;
    int above = 0;
    int highest = 0;
    for (const int* rate = supported; *rate != 0; ++rate) {
        if (*rate == inputRate) return inputRate;
        if (*rate > inputRate && (above == 0 || *rate < above)) above = *rate;
        highest = std::max(highest, *rate);
    }
    return above != 0 ? above : highest;
}

AVSampleFormat InputSampleFormat(const WaveFormat& format) {
    if (format.kind == SampleKind::kFloat)
        return format.bitsPerSample == 64 ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_FLT;
    switch (format.bitsPerSample) {
        case 8:
            return AV_SAMPLE_FMT_U8;
        case 16:
            return AV_SAMPLE_FMT_S16;
        default:
            return AV_SAMPLE_FMT_S32;  // 24-bit samples are widened to 32 first
    }
}

}  // namespace

struct AacWriter::Impl {
    WaveFormat input;
    std::string outputPath;
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVFormatContext, FormatContextFree> container;
    AVStream* stream = nullptr;
    std::unique_ptr<SwrContext, SwrFree> converter;
    std::unique_ptr<AVAudioFifo, FifoFree> fifo;
    std::unique_ptr<AVFrame, FrameFree> frame;
    std::unique_ptr<AVPacket, PacketFree> packet;
    bool smallLastFrame = false;
    bool resampling = false;
    std::int64_t nextPts = 0;
    std::vector<std::int32_t> widened;          // 24-bit input as 32-bit samples
    std::vector<std::vector<float>> converted;  // one plane per channel, out of the converter
    std::vector<std::uint8_t*> convertedPlanes;
    // The file this writer made at the output path, if it made one: only that file is ever
    // removed after a failure.
    struct FileIdentity {
        dev_t device;
        ino_t inode;
    };
    std::optional<FileIdentity> createdFile;
    bool finished = false;

    ~Impl();
    void CreateOutputIfMissing();

    void OpenEncoder(const EncoderOptions& options);
    void OpenConverter();
    void OpenOutput(const EncoderOptions& options);
    void Convert(const std::uint8_t* samples, int frameCount);
    void EncodeFromFifo(int samples);
    void Drain(const AVFrame* toSend);
    void CheckOutput(const char* when) const;
};

void AacWriter::Impl::OpenEncoder(const EncoderOptions& options) {
    const AVCodec* aac = avcodec_find_encoder_by_name("aac");
    if (aac == nullptr) throw EncodeError("this FFmpeg has no AAC encoder");
    smallLastFrame = (aac->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;

    codec.reset(avcodec_alloc_context3(aac));
    if (!codec) throw EncodeError("out of memory");
    AVCodecContext& c = *codec;
    c.sample_fmt = AV_SAMPLE_FMT_FLTP;
    c.sample_rate = EncodingRate(input.sampleRate, aac->supported_samplerates);
    resampling = c.sample_rate != input.sampleRate;
    // The channels keep their order: the first layout of that many channels the encoder knows.
    bool haveLayout = false;
    for (const AVChannelLayout* layout = aac->ch_layouts;
         layout != nullptr && layout->nb_channels != 0; ++layout) {
        if (layout->nb_channels == input.channels) {
            Check(av_channel_layout_copy(&c.ch_layout, layout), "channel layout");
            haveLayout = true;
            break;
        }
    }
    if (!haveLayout && aac->ch_layouts == nullptr) {
        av_channel_layout_default(&c.ch_layout, input.channels);
        haveLayout = true;
    }
    if (!haveLayout)
        throw EncodeError("the AAC encoder cannot take " + std::to_string(input.channels) +
                          " channels");
    c.profile = FF_PROFILE_AAC_LOW;
    c.bit_rate = EncoderBitRate(options.quality, input.channels, c.sample_rate);
    if (options.cutoffHz > 0) c.cutoff = std::min(options.cutoffHz, c.sample_rate / 2);
    c.time_base = AVRational{1, c.sample_rate};
    if (options.mp4Container) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(&c, aac, nullptr), "cannot start the AAC encoder");

    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!frame || !packet) throw EncodeError("out of memory");
    frame->format = c.sample_fmt;
    frame->sample_rate = c.sample_rate;
    frame->nb_samples = c.frame_size;
    Check(av_channel_layout_copy(&frame->ch_layout, &c.ch_layout), "channel layout");
    Check(av_frame_get_buffer(frame.get(), 0), "cannot allocate an audio frame");
}

void AacWriter::Impl::OpenConverter() {
    SwrContext* swr = nullptr;
    // The same layout on both sides: channels pass through in their order, never remixed.
    Check(swr_alloc_set_opts2(&swr, &codec->ch_layout, AV_SAMPLE_FMT_FLTP, codec->sample_rate,
                              &codec->ch_layout, InputSampleFormat(input), input.sampleRate, 0,
                              nullptr),
          "cannot set up the sample converter");
    converter.reset(swr);
    Check(swr_init(swr), "cannot set up the sample converter");
    fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, input.channels, codec->frame_size * 4));
    if (!fifo) throw EncodeError("out of memory");
    converted.resize(static_cast<std::size_t>(input.channels));
    convertedPlanes.resize(converted.size());
}

void AacWriter::Impl::OpenOutput(const EncoderOptions& options) {
    AVFormatContext* raw = nullptr;
    Check(avformat_alloc_output_context2(&raw, nullptr, options.mp4Container ? "mp4" : "adts",
                                         outputPath.c_str()),
          "cannot set up the output format");
    container.reset(raw);
    stream = avformat_new_stream(raw, nullptr);
    if (stream == nullptr) throw EncodeError("out of memory");
    Check(avcodec_parameters_from_context(stream->codecpar, codec.get()), "stream parameters");
    stream->time_base = codec->time_base;

    CreateOutputIfMissing();
    Check(avio_open(&raw->pb, outputPath.c_str(), AVIO_FLAG_WRITE),
          "cannot create '" + outputPath + "'");

    AVDictionary* muxerOptions = nullptr;
    if (!options.mp4Container && options.mpegVersion == 2)
        av_dict_set(&muxerOptions, "write_mpeg2", "1", 0);
    const int result = avformat_write_header(raw, &muxerOptions);
    av_dict_free(&muxerOptions);
    Check(result, "cannot write to '" + outputPath + "'");
}

// Whatever is at the output path already (a file of the user's, a link to another file, a device,
// a pipe) is written through and left in place after a failure; a path that is free is created
// here, exclusively, and remembered as ours.
void AacWriter::Impl::CreateOutputIfMissing() {
    const int fd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return;  // there already, or not creatable: avio_open tells which
    struct stat status {};
    if (::fstat(fd, &status) == 0) createdFile = FileIdentity{status.st_dev, status.st_ino};
    ::close(fd);
}

// After a failure: the half-written file goes, if this writer created it and it is still the
// file at that path.
AacWriter::Impl::~Impl() {
    if (finished || !createdFile) return;
    container.reset();  // closes the file
    struct stat status {};
    if (::lstat(outputPath.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_dev == createdFile->device && status.st_ino == createdFile->inode)
        ::unlink(outputPath.c_str());
}

void AacWriter::Impl::Convert(const std::uint8_t* samples, int frameCount) {
    const int room = swr_get_out_samples(converter.get(), frameCount);
    Check(room, "sample conversion");
    for (std::size_t ch = 0; ch < converted.size(); ++ch) {
        if (converted[ch].size() < static_cast<std::size_t>(room))
            converted[ch].resize(static_cast<std::size_t>(room));
        convertedPlanes[ch] = reinterpret_cast<std::uint8_t*>(converted[ch].data());
    }
    const std::uint8_t* in[] = {samples};
    const int made = swr_convert(converter.get(), convertedPlanes.data(), room,
                                 samples != nullptr ? in : nullptr, frameCount);
    Check(made, "sample conversion");
    if (made > 0 && av_audio_fifo_write(
                        fifo.get(), reinterpret_cast<void**>(convertedPlanes.data()), made) < made)
        throw EncodeError("out of memory");
}

void AacWriter::Impl::EncodeFromFifo(int samples) {
    Check(av_frame_make_writable(frame.get()), "cannot allocate an audio frame");
    frame->nb_samples = smallLastFrame ? samples : codec->frame_size;
    if (!smallLastFrame && samples < codec->frame_size)
        av_samples_set_silence(frame->extended_data, samples, codec->frame_size - samples,
                               input.channels, AV_SAMPLE_FMT_FLTP);
    if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples) <
        samples)
        throw EncodeError("sample buffer underrun");
    frame->pts = nextPts;
    nextPts += frame->nb_samples;
    Drain(frame.get());
}

// Sends one frame (nullptr: the end) and writes every packet the encoder has ready.
void AacWriter::Impl::Drain(const AVFrame* toSend) {
    Check(avcodec_send_frame(codec.get(), toSend), "AAC encoding failed");
    for (;;) {
        const int result = avcodec_receive_packet(codec.get(), packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        Check(result, "AAC encoding failed");
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        Check(av_interleaved_write_frame(container.get(), packet.get()),
              "cannot write to '" + outputPath + "'");
        CheckOutput("writing");
    }
}

void AacWriter::Impl::CheckOutput(const char* when) const {
    if (container->pb != nullptr && container->pb->error < 0)
        throw EncodeError(std::string(when) + " '" + outputPath +
                          "' failed: " + AvError(container->pb->error));
}

AacWriter::AacWriter(const WaveFormat& input, const EncoderOptions& options)
    : impl_(std::make_unique<Impl>()) {
    impl_->input = input;
    impl_->outputPath = options.outputPath;
    impl_->OpenEncoder(options);
    impl_->OpenConverter();
    impl_->OpenOutput(options);
}

AacWriter::~AacWriter() = default;

void AacWriter::Write(std::span<const std::byte> frames, std::size_t frameCount) {
    Impl& d = *impl_;
    const std::uint8_t* samples = reinterpret_cast<const std::uint8_t*>(frames.data());
    if (d.input.kind == SampleKind::kInteger && d.input.bitsPerSample == 24) {
        const std::size_t count = frameCount * static_cast<std::size_t>(d.input.channels);
        d.widened.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = samples + 3 * i;
            d.widened[i] = static_cast<std::int32_t>(
                std::uint32_t{p[0]} << 8 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 24);
        }
        samples = reinterpret_cast<const std::uint8_t*>(d.widened.data());
    }
    d.Convert(samples, static_cast<int>(frameCount));
    while (av_audio_fifo_size(d.fifo.get()) >= d.codec->frame_size)
        d.EncodeFromFifo(d.codec->frame_size);
}

void AacWriter::Finish() {
    Impl& d = *impl_;
    if (d.resampling) d.Convert(nullptr, 0);  // what the resampler still holds
    while (av_audio_fifo_size(d.fifo.get()) > 0)
        d.EncodeFromFifo(std::min(av_audio_fifo_size(d.fifo.get()), d.codec->frame_size));
    d.Drain(nullptr);
    Check(av_write_trailer(d.container.get()), "cannot finish '" + d.outputPath + "'");
    d.CheckOutput("finishing");
    if (avio_closep(&d.container->pb) < 0)
        throw EncodeError("cannot finish '" + d.outputPath + "'");
    d.finished = true;
}

int AacWriter::SampleRate() const {
    return impl_->codec->sample_rate;
}

int AacWriter::BitRate() const {
    return static_cast<int>(impl_->codec->bit_rate);
}

}  // namespace faac
