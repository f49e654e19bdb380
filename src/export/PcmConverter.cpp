#include "export/PcmConverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

CPcmConverter::CPcmConverter(int inRate, int inChannels, int outRate, int outChannels)
    : m_nInRate(inRate),
      m_nOutRate(outRate),
      m_nOutChannels(outChannels),
      m_bIdentity(inRate == outRate && inChannels == outChannels) {
    if (inRate <= 0 || outRate <= 0 || inChannels <= 0 || outChannels <= 0) return;
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, inChannels);
    av_channel_layout_default(&outLayout, outChannels);
    if (swr_alloc_set_opts2(&m_pContext, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                            AV_SAMPLE_FMT_S16, inRate, 0, nullptr) < 0 ||
        !m_pContext) {
        swr_free(&m_pContext);
        return;
    }
    // Mono goes to both channels at full level, as a mono recording is heard on two speakers.
    if (inChannels == 1 && outChannels == 2) {
        const double bothAtFullLevel[2] = {1.0, 1.0};
        swr_set_matrix(m_pContext, bothAtFullLevel, 1);
    }
    if (swr_init(m_pContext) < 0) swr_free(&m_pContext);
}

CPcmConverter::~CPcmConverter() {
    swr_free(&m_pContext);
}

const std::vector<std::int16_t>& CPcmConverter::Convert(const std::int16_t* samples, int frames) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
    return Run(&bytes, frames);
}

const std::vector<std::int16_t>& CPcmConverter::Flush() {
    return Run(nullptr, 0);
}

const std::vector<std::int16_t>& CPcmConverter::Run(const std::uint8_t* const* input, int frames) {
    m_output.clear();
    if (!m_pContext) return m_output;
    const int room = swr_get_out_samples(m_pContext, frames);
    if (room <= 0) return m_output;
    m_output.resize(static_cast<std::size_t>(room) * m_nOutChannels);
    auto* out = reinterpret_cast<std::uint8_t*>(m_output.data());
    // (The C interface takes the input pointers as non-const; it only reads them.)
    const int made =
        swr_convert(m_pContext, &out, room, const_cast<const std::uint8_t**>(input), frames);
    m_output.resize(made > 0 ? static_cast<std::size_t>(made) * m_nOutChannels : 0);
    return m_output;
}
