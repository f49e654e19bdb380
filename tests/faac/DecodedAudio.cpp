#include "faac/DecodedAudio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <cmath>
#include <memory>
#include <stdexcept>

namespace faactest {
namespace {

void Check(int code, const std::string& what) {
    if (code < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, text, sizeof text);
        throw std::runtime_error(what + ": " + text);
    }
}

}  // namespace

DecodedAudio DecodeFile(const std::string& path, double maxSeconds) {
    // A raw ADTS file has no stated length; the demuxer's remark about it is no failure.
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* rawFormat = nullptr;
    Check(avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr), "open " + path);
    const std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format(
        rawFormat, [](AVFormatContext* p) { avformat_close_input(&p); });
    Check(avformat_find_stream_info(rawFormat, nullptr), "stream info");
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(rawFormat, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    Check(index, "no audio stream in " + path);
    const std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> codec(
        avcodec_alloc_context3(decoder), [](AVCodecContext* p) { avcodec_free_context(&p); });
    Check(avcodec_parameters_to_context(codec.get(), rawFormat->streams[index]->codecpar),
          "parameters");
    Check(avcodec_open2(codec.get(), decoder, nullptr), "open decoder");

    DecodedAudio audio;
    audio.containerName = rawFormat->iformat->name;
    audio.codecName = decoder->name;
    audio.sampleRate = codec->sample_rate;
    audio.channels = codec->ch_layout.nb_channels;
    audio.samples.resize(static_cast<std::size_t>(audio.channels));
    const std::size_t limit =
        maxSeconds > 0 ? static_cast<std::size_t>(maxSeconds * audio.sampleRate) : SIZE_MAX;

    SwrContext* rawSwr = nullptr;
    Check(swr_alloc_set_opts2(&rawSwr, &codec->ch_layout, AV_SAMPLE_FMT_FLTP, codec->sample_rate,
                              &codec->ch_layout, codec->sample_fmt, codec->sample_rate, 0, nullptr),
          "converter");
    const std::unique_ptr<SwrContext, void (*)(SwrContext*)> swr(
        rawSwr, [](SwrContext* p) { swr_free(&p); });
    Check(swr_init(rawSwr), "converter");

    const std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(
        av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    const std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                             [](AVFrame* p) { av_frame_free(&p); });
    std::vector<std::vector<float>> planes(audio.samples.size());
    const auto receive = [&] {
        while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
            std::vector<std::uint8_t*> out;
            for (auto& plane : planes) {
                plane.resize(static_cast<std::size_t>(frame->nb_samples));
                out.push_back(reinterpret_cast<std::uint8_t*>(plane.data()));
            }
            const int made = swr_convert(swr.get(), out.data(), frame->nb_samples,
                                         const_cast<const std::uint8_t**>(frame->extended_data),
                                         frame->nb_samples);
            Check(made, "convert");
            for (std::size_t c = 0; c < planes.size(); ++c)
                audio.samples[c].insert(audio.samples[c].end(), planes[c].begin(),
                                        planes[c].begin() + made);
        }
    };
    while (audio.Frames() < limit && av_read_frame(rawFormat, packet.get()) >= 0) {
        if (packet->stream_index == index) {
            audio.packetBytes += static_cast<std::uint64_t>(packet->size);
            Check(avcodec_send_packet(codec.get(), packet.get()), "decode");
            receive();
        }
        av_packet_unref(packet.get());
    }
    if (audio.Frames() < limit) {
        Check(avcodec_send_packet(codec.get(), nullptr), "decode");
        receive();
    }
    if (audio.Frames() > limit)
        for (auto& channel : audio.samples) channel.resize(limit);
    return audio;
}

double ToneFrequency(const std::vector<float>& samples, int sampleRate, std::size_t from,
                     std::size_t to) {
    std::size_t first = 0;
    std::size_t last = 0;
    int crossings = 0;
    for (std::size_t i = from + 1; i < to && i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * double(sampleRate) / double(last - first);
}

double Rms(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = from; i < to && i < samples.size(); ++i, ++n)
        sum += samples[i] * samples[i];
    return n > 0 ? std::sqrt(sum / n) : 0;
}

}  // namespace faactest
