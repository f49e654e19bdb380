#include "audio/WmaFileEncoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "audio/Audio.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace audio::detail {

namespace {

// FFmpeg's ASF muxer never splits an audio frame across packets: what is left of a packet after
// the last whole frame is padding. With its default 3200-byte packets a 128 kbps stream (743-byte
// frames at 44.1 kHz, four to a packet) becomes a 138 kbps file and 192 kbps (two 1114-byte
// frames) one of 276 kbps. A packet sized for a whole number of frames with their payload headers
// (17 bytes each) plus the packet's own header keeps the file within a few percent of the
// request. The header takes 11 or 12 bytes; the margin beyond that avoids a size one byte too
// big, which the muxer cannot pad and fills with one frame fewer.
constexpr int kPayloadHeaderBytes = 17;
constexpr int kPacketHeaderMargin = 28;
constexpr int kTargetPacketBytes = 3200;

int AsfPacketSize(int blockAlign) {
    const int perFrame = blockAlign + kPayloadHeaderBytes;
    const int frames = std::max(1, kTargetPacketBytes / perFrame);
    return std::clamp(frames * perFrame + kPacketHeaderMargin, 100, 65536);
}

}  // namespace

std::unique_ptr<WmaFileEncoder> WmaFileEncoder::Open(int sampleRate, int channels, int bitrate,
                                                     const std::string& path, int& error) {
    error = ERROR_WMA_CODEC;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    const AVOutputFormat* container = av_guess_format("asf", nullptr, nullptr);
    if (!codec || !container) return nullptr;

    std::unique_ptr<WmaFileEncoder> enc(new WmaFileEncoder());
    enc->m_pCodec.reset(avcodec_alloc_context3(codec));
    enc->m_pFrame.reset(av_frame_alloc());
    enc->m_pPacket.reset(av_packet_alloc());
    AVCodecContext* ctx = enc->m_pCodec.get();
    if (!ctx || !enc->m_pFrame || !enc->m_pPacket) {
        error = ERROR_MEM;
        return nullptr;
    }
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->sample_rate = sampleRate;
    av_channel_layout_default(&ctx->ch_layout, channels);
    ctx->bit_rate = bitrate;
    ctx->time_base = AVRational{1, sampleRate};
    if (container->flags & AVFMT_GLOBALHEADER) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ctx, codec, nullptr) < 0 || ctx->frame_size <= 0) return nullptr;
    enc->m_nChannels = channels;
    enc->m_whole = WholeFrames(2 * static_cast<std::size_t>(channels));
    enc->m_nFrameSize = ctx->frame_size;
    enc->m_bSmallLastFrame = (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    enc->m_aligned.resize(static_cast<std::size_t>(ctx->frame_size) * channels);

    AVFrame* frame = enc->m_pFrame.get();
    frame->format = ctx->sample_fmt;
    frame->sample_rate = sampleRate;
    frame->nb_samples = ctx->frame_size;
    if (av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout) < 0 ||
        av_frame_get_buffer(frame, 0) < 0) {
        error = ERROR_MEM;
        return nullptr;
    }

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, container, nullptr, path.c_str()) < 0 || !raw) {
        error = ERROR_MEM;
        return nullptr;
    }
    enc->m_pFormat.reset(raw);
    enc->m_pStream = avformat_new_stream(raw, nullptr);
    if (!enc->m_pStream || avcodec_parameters_from_context(enc->m_pStream->codecpar, ctx) < 0) {
        error = ERROR_MEM;
        return nullptr;
    }
    enc->m_pStream->time_base = ctx->time_base;

    error = ERROR_CREATE;
    if (avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "packet_size", std::to_string(AsfPacketSize(ctx->block_align)).c_str(),
                0);
    const int written = avformat_write_header(raw, &options);
    av_dict_free(&options);
    if (written < 0) return nullptr;
    // Decoders drop twice the encoder's delay at the start (as the format's own encoder delays
    // by two frames), while this encoder delays by one: without a frame of silence ahead, the
    // first frame of the audio would never be heard.
    enc->m_leadIn.assign(static_cast<std::size_t>(ctx->initial_padding) * channels, 0);
    if (!enc->m_leadIn.empty() && !enc->Take(enc->m_leadIn.data(), ctx->initial_padding)) {
        error = ERROR_CREATE;
        return nullptr;
    }
    error = ERROR_OK;
    return enc;
}

bool WmaFileEncoder::Write(const void* data, std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    if (m_bFailed || m_bClosed) return false;
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(m_nChannels);
    const std::size_t chunk = static_cast<std::size_t>(m_nFrameSize);
    return m_whole.Feed(data, bytes, [&](const std::uint8_t* p, std::size_t frames) {
        // The bytes may sit at any address: samples are copied into an aligned buffer.
        while (frames > 0) {
            const std::size_t n = std::min(frames, chunk);
            std::memcpy(m_aligned.data(), p, n * frameBytes);
            if (!Take(m_aligned.data(), static_cast<int>(n))) return false;
            p += n * frameBytes;
            frames -= n;
        }
        return true;
    });
}

bool WmaFileEncoder::Take(const std::int16_t* samples, int frames) {
    AVFrame* frame = m_pFrame.get();
    while (frames > 0) {
        // The encoder may still hold the previous frame's buffers.
        if (m_nFilled == 0 && av_frame_make_writable(frame) < 0) {
            m_bFailed = true;
            return false;
        }
        const int n = std::min(frames, m_nFrameSize - m_nFilled);
        for (int c = 0; c < m_nChannels; ++c) {
            auto* plane = reinterpret_cast<float*>(frame->extended_data[c]) + m_nFilled;
            for (int i = 0; i < n; ++i)
                plane[i] = static_cast<float>(samples[i * m_nChannels + c]) * (1.0f / 32768.0f);
        }
        samples += static_cast<std::ptrdiff_t>(n) * m_nChannels;
        frames -= n;
        m_nFilled += n;
        m_samplesIn += n;
        if (m_nFilled == m_nFrameSize) {
            frame->nb_samples = m_nFrameSize;
            m_nFilled = 0;
            if (!Send(frame)) return false;
        }
    }
    return true;
}

bool WmaFileEncoder::Send(AVFrame* frame) {
    if (frame) {
        frame->pts = m_nextPts;
        m_nextPts += frame->nb_samples;
    }
    if (avcodec_send_frame(m_pCodec.get(), frame) < 0 || !WritePackets()) {
        m_bFailed = true;
        return false;
    }
    return true;
}

bool WmaFileEncoder::WritePackets() {
    AVPacket* packet = m_pPacket.get();
    for (;;) {
        const int r = avcodec_receive_packet(m_pCodec.get(), packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        av_packet_rescale_ts(packet, m_pCodec->time_base, m_pStream->time_base);
        packet->stream_index = m_pStream->index;
        if (av_interleaved_write_frame(m_pFormat.get(), packet) < 0) return false;
    }
}

bool WmaFileEncoder::Close() {
    std::lock_guard lock(m_mutex);
    if (m_bClosed) return false;
    m_bClosed = true;
    bool ok = !m_bFailed;
    if (ok && m_nFilled > 0) {
        AVFrame* frame = m_pFrame.get();
        if (m_bSmallLastFrame) {
            frame->nb_samples = m_nFilled;
        } else {
            for (int c = 0; c < m_nChannels; ++c)
                std::fill_n(reinterpret_cast<float*>(frame->extended_data[c]) + m_nFilled,
                            m_nFrameSize - m_nFilled, 0.0f);
            frame->nb_samples = m_nFrameSize;
        }
        m_nFilled = 0;
        ok = Send(frame);
    }
    // The encoder holds back one frame's worth (its initial padding) and has no delayed output
    // to flush: silence pushes the last real samples out.
    const std::int64_t wanted = m_samplesIn + m_pCodec->initial_padding;
    while (ok && m_nextPts < wanted) {
        AVFrame* frame = m_pFrame.get();
        ok = av_frame_make_writable(frame) >= 0;
        for (int c = 0; ok && c < m_nChannels; ++c)
            std::fill_n(reinterpret_cast<float*>(frame->extended_data[c]), m_nFrameSize, 0.0f);
        frame->nb_samples = m_nFrameSize;
        ok = ok && Send(frame);
    }
    ok = ok && Send(nullptr);
    // The trailer makes the file playable even after a failure partway; write it regardless.
    if (av_write_trailer(m_pFormat.get()) < 0 || m_pFormat->pb->error < 0) ok = false;
    if (avio_closep(&m_pFormat->pb) < 0) ok = false;
    m_pFormat.reset();
    m_pCodec.reset();
    return ok;
}

}  // namespace audio::detail
