// Samples to 16 bits: float samples (full scale ±1), as played and rendered, and decoded frames
// of any sample format, as a file is read.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

struct AVFrame;

namespace audio::detail {

// Rounded to the nearest value and clipped. It runs for every sample that is played or rendered,
// so it converts four at a time where it can.
inline void FloatToInt16(const float* in, std::int16_t* out, std::size_t count) {
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        // Clipped first: a value beyond the 32-bit range would convert to the wrong sign.
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i), scale), low), high);
        const __m128 b =
            _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i + 4), scale), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < count; ++i)
        out[i] = static_cast<std::int16_t>(
            std::lrint(std::clamp(in[i] * 32768.0f, -32768.0f, 32767.0f)));
}

// A decoder's frames, of whatever sample format and channel order, as interleaved 16-bit samples
// of a fixed channel count at the frame's own rate.
class FrameToInt16 {
public:
    explicit FrameToInt16(int channels);
    ~FrameToInt16();
    FrameToInt16(const FrameToInt16&) = delete;
    FrameToInt16& operator=(const FrameToInt16&) = delete;

    // The frame's nb_samples frames, valid until the next call. A frame that cannot be converted
    // gives silence of its length, so that what follows keeps its place.
    const std::int16_t* Convert(const AVFrame* frame);

private:
    struct Converter;  // libswresample's, with the input it was set up for
    bool ConvertInto(const AVFrame* frame);

    const int m_nChannels;
    std::unique_ptr<Converter> m_pConverter;
    std::vector<std::int16_t> m_samples;
};

}  // namespace audio::detail
