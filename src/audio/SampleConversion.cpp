#include "audio/SampleConversion.h"

#include "audio/FfmpegHandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace audio::detail {

struct FrameToInt16::Converter {
    Converter() = default;
    ~Converter() { av_channel_layout_uninit(&layout); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    SwrPtr swr;
    int format = -1;
    int rate = 0;
    AVChannelLayout layout{};
};

FrameToInt16::FrameToInt16(int channels) : m_nChannels(channels) {}

FrameToInt16::~FrameToInt16() = default;

const std::int16_t* FrameToInt16::Convert(const AVFrame* frame) {
    if (!ConvertInto(frame))
        m_samples.assign(static_cast<std::size_t>(frame->nb_samples) * m_nChannels, 0);
    return m_samples.data();
}

bool FrameToInt16::ConvertInto(const AVFrame* frame) {
    AVChannelLayout inLayout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, std::max(1, frame->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&inLayout, &frame->ch_layout);

    const bool formatChanged = !m_pConverter || frame->format != m_pConverter->format ||
                               frame->sample_rate != m_pConverter->rate ||
                               av_channel_layout_compare(&inLayout, &m_pConverter->layout) != 0;
    bool ok = true;
    if (formatChanged) {
        AVChannelLayout outLayout{};
        if (inLayout.nb_channels == m_nChannels)
            av_channel_layout_copy(&outLayout, &inLayout);
        else
            av_channel_layout_default(&outLayout, m_nChannels);
        SwrContext* swr = nullptr;
        // Same rate in and out: only the sample format (and, rarely, the channel order) changes.
        if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, frame->sample_rate, &inLayout,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            ok = false;  // the converter set up before, if any, stays for the next frame
        } else {
            auto converter = std::make_unique<Converter>();
            converter->swr.reset(swr);
            converter->format = frame->format;
            converter->rate = frame->sample_rate;
            av_channel_layout_copy(&converter->layout, &inLayout);
            m_pConverter = std::move(converter);
        }
        av_channel_layout_uninit(&outLayout);
    }
    av_channel_layout_uninit(&inLayout);
    if (!ok) return false;

    m_samples.resize(static_cast<std::size_t>(frame->nb_samples) * m_nChannels);
    uint8_t* out = reinterpret_cast<uint8_t*>(m_samples.data());
    const int got =
        swr_convert(m_pConverter->swr.get(), &out, frame->nb_samples,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got < 0) return false;
    // A converter that held samples back would shift the timeline; it never should at one rate.
    if (got < frame->nb_samples)
        std::fill(m_samples.begin() + static_cast<std::ptrdiff_t>(got) * m_nChannels,
                  m_samples.end(), 0);
    return true;
}

}  // namespace audio::detail
