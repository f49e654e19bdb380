// Owning wrappers for the FFmpeg objects the decoder and the WMA encoder use.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/vorbis_parser.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace audio::detail {

struct FormatContextCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
// An output (muxing) context with the file it opened.
struct OutputContextCloser {
    void operator()(AVFormatContext* p) const {
        if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
struct CodecContextFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct SwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};

struct VorbisParserFreer {
    void operator()(AVVorbisParseContext* p) const { av_vorbis_parse_free(&p); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;
using VorbisParserPtr = std::unique_ptr<AVVorbisParseContext, VorbisParserFreer>;

}  // namespace audio::detail
