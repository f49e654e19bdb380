#include "audio/ParamEq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace audio::detail {

#ifdef __SSE2__
namespace {

// One band of a stereo cascade: left and right side by side.
struct CascadeLanes {
    __m128d b0, b1, b2, a1, a2, x1, x2, y1, y2;
    __m128d in;  // the frame this band takes next, from the band before it
};

#if defined(__x86_64__) && defined(__GNUC__)
constexpr std::size_t kMaxAvxPairs = 8;  // of ParamEq::kMaxCascade bands

#define QV_AVX __attribute__((target("avx"), always_inline)) inline
QV_AVX __m256d Join(__m128d low, __m128d high) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(low), high, 1);
}
QV_AVX __m128d Half(__m256d v, std::size_t half) {
    return half == 0 ? _mm256_castpd256_pd128(v) : _mm256_extractf128_pd(v, 1);
}
#undef QV_AVX

// The steps of a cascade in which every band has a frame (frames [from, frames)), two bands to a
// 256-bit register: every lane makes the operations of the 128-bit step, in the same order and
// without fused multiply-adds, so the results are the same to the bit; the bands take half the
// instructions. The pairs' inputs are what the band before made in the step before: the upper
// half of the pair before and the lower half of its own. Returns the frame it stopped at.
__attribute__((target("avx"))) long CascadeInteriorAvx(CascadeLanes* lanes, std::size_t count,
                                                       float* samples, long from, long frames) {
    const std::size_t pairs = (count + 1) / 2;
    struct Pair {
        __m256d b0, b1, b2, a1, a2, x1, x2, y1, y2;
    };
    Pair pair[kMaxAvxPairs];
    __m256d made[kMaxAvxPairs];  // each pair's outputs of the step before
    const __m128d zero = _mm_setzero_pd();
    for (std::size_t p = 0; p < pairs; ++p) {
        const CascadeLanes& lo = lanes[2 * p];
        // An odd band out is paired with one that has all zeros and whose output is not used.
        const bool hasHigh = 2 * p + 1 < count;
        const CascadeLanes none{zero, zero, zero, zero, zero, zero, zero, zero, zero, zero};
        const CascadeLanes& hi = hasHigh ? lanes[2 * p + 1] : none;
        pair[p] = {Join(lo.b0, hi.b0), Join(lo.b1, hi.b1), Join(lo.b2, hi.b2),
                   Join(lo.a1, hi.a1), Join(lo.a2, hi.a2), Join(lo.x1, hi.x1),
                   Join(lo.x2, hi.x2), Join(lo.y1, hi.y1), Join(lo.y2, hi.y2)};
        made[p] = Join(hasHigh ? lanes[2 * p + 1].in : zero,
                       2 * p + 2 < count ? lanes[2 * p + 2].in : zero);
    }
    const std::size_t last = count - 1;
    const bool lastHigh = last % 2 == 1;
    const long lead = static_cast<long>(last);
    long i = from;
    for (; i < frames; ++i) {
        const __m128d frame = _mm_cvtps_pd(
            _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(samples + 2 * i))));
        __m256d before = made[0];
        for (std::size_t p = 0; p < pairs; ++p) {
            Pair& f = pair[p];
            const __m256d x = p == 0 ? Join(frame, _mm256_castpd256_pd128(made[0]))
                                     : _mm256_permute2f128_pd(before, made[p], 0x21);
            before = made[p];
            __m256d y = _mm256_mul_pd(f.b0, x);
            y = _mm256_add_pd(y, _mm256_mul_pd(f.b1, f.x1));
            y = _mm256_add_pd(y, _mm256_mul_pd(f.b2, f.x2));
            y = _mm256_sub_pd(y, _mm256_mul_pd(f.a1, f.y1));
            y = _mm256_sub_pd(y, _mm256_mul_pd(f.a2, f.y2));
            f.x2 = f.x1;
            f.x1 = x;
            f.y2 = f.y1;
            f.y1 = y;
            const __m128 out = _mm256_cvtpd_ps(y);
            made[p] = _mm256_cvtps_pd(out);
            if (p == pairs - 1) {
                const __m128 kept = lastHigh ? _mm_movehl_ps(out, out) : out;
                _mm_store_sd(reinterpret_cast<double*>(samples + 2 * (i - lead)),
                             _mm_castps_pd(kept));
            }
        }
    }
    for (std::size_t p = 0; p < pairs; ++p) {
        const Pair& f = pair[p];
        for (std::size_t half = 0; half < 2 && 2 * p + half < count; ++half) {
            CascadeLanes& l = lanes[2 * p + half];
            l.x1 = Half(f.x1, half);
            l.x2 = Half(f.x2, half);
            l.y1 = Half(f.y1, half);
            l.y2 = Half(f.y2, half);
        }
        if (2 * p + 1 < count) lanes[2 * p + 1].in = Half(made[p], 0);
        if (2 * p + 2 < count) lanes[2 * p + 2].in = Half(made[p], 1);
    }
    _mm256_zeroupper();
    return i;
}

// Asked once, as the library loads, so that no audio thread meets a first-use guard.
bool DetectAvx() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}
const bool kHasAvx = DetectAvx();
#endif

}  // namespace
#endif

ParamEq::ParamEq(int sampleRate, int channels)
    : m_nSampleRate(sampleRate),
      m_nStride(std::max(channels, 1)),
      m_nChannels(std::min(m_nStride, kMaxChannels)) {
    SetParameters(FXPARAMEQ{1000.0f, 12.0f, 0.0f});
}

void ParamEq::SetParameters(const FXPARAMEQ& params) {
    m_params.fCenter = std::clamp(params.fCenter, 20.0f, 0.45f * m_nSampleRate);
    m_params.fBandwidth = std::clamp(params.fBandwidth, 1.0f, 36.0f);
    m_params.fGain = std::clamp(params.fGain, -15.0f, 15.0f);
    UpdateCoefficients();
}

// Peaking filter of the audio EQ cookbook: exactly fGain at fCenter, bandwidth in octaves
// between the half-gain points.
void ParamEq::UpdateCoefficients() {
    m_bFlat = m_params.fGain == 0.0f;
    if (m_bFlat) return;
    const double a = std::pow(10.0, m_params.fGain / 40.0);
    const double w0 = 2.0 * std::numbers::pi * m_params.fCenter / m_nSampleRate;
    const double octaves = m_params.fBandwidth / 12.0;
    const double alpha =
        std::sin(w0) * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / std::sin(w0));
    const double a0 = 1.0 + alpha / a;
    m_b0 = (1.0 + alpha * a) / a0;
    m_b1 = (-2.0 * std::cos(w0)) / a0;
    m_b2 = (1.0 - alpha * a) / a0;
    m_a1 = m_b1;
    m_a2 = (1.0 - alpha / a) / a0;
}

void ParamEq::Process(float* samples, int frames) {
    if (m_nStride == 2 && !m_bFlat) {
        ProcessStereo(samples, frames);
        return;
    }
    // Channels beyond the filters kept pass untouched, at their place in each frame.
    const int stride = m_nStride;
    for (int c = 0; c < m_nChannels; ++c) {
        State& s = m_state[c];
        float* p = samples + c;
        if (m_bFlat) {
            // Keep the history current so that a band switched on later starts smoothly.
            if (frames >= 2) {
                s.x2 = s.y2 = p[(frames - 2) * stride];
                s.x1 = s.y1 = p[(frames - 1) * stride];
            } else if (frames == 1) {
                s.x2 = s.y2 = s.x1;
                s.x1 = s.y1 = p[0];
            }
            continue;
        }
        for (int i = 0; i < frames; ++i, p += stride) {
            const double x = *p;
            const double y = m_b0 * x + m_b1 * s.x1 + m_b2 * s.x2 - m_a1 * s.y1 - m_a2 * s.y2;
            s.x2 = s.x1;
            s.x1 = x;
            s.y2 = s.y1;
            s.y1 = y;
            *p = static_cast<float>(y);
        }
    }
}

// Both channels in one pass: each filter's recurrence waits on its own last output, so two
// independent ones side by side run in the time of one.
void ParamEq::ProcessStereo(float* samples, int frames) {
    State& l = m_state[0];
    State& r = m_state[1];
    for (int i = 0; i < frames; ++i, samples += 2) {
        const double xl = samples[0];
        const double xr = samples[1];
        const double yl = m_b0 * xl + m_b1 * l.x1 + m_b2 * l.x2 - m_a1 * l.y1 - m_a2 * l.y2;
        const double yr = m_b0 * xr + m_b1 * r.x1 + m_b2 * r.x2 - m_a1 * r.y1 - m_a2 * r.y2;
        l.x2 = l.x1;
        l.x1 = xl;
        l.y2 = l.y1;
        l.y1 = yl;
        r.x2 = r.x1;
        r.x1 = xr;
        r.y2 = r.y1;
        r.y1 = yr;
        samples[0] = static_cast<float>(yl);
        samples[1] = static_cast<float>(yr);
    }
}

void ParamEq::ProcessCascade(ParamEq* const* bands, std::size_t count, float* samples, int frames) {
    std::size_t i = 0;
    while (i < count) {
        std::size_t end = i;
        while (end < count && end - i < kMaxCascade && bands[end]->m_nStride == 2 &&
               !bands[end]->m_bFlat)
            ++end;
        if (end - i >= 2) {
            CascadeStereo(bands + i, end - i, samples, frames);
            i = end;
        } else {
            bands[i++]->Process(samples, frames);
        }
    }
}

#ifdef __SSE2__
// Left and right side by side in one register; every operation is the one ProcessStereo makes,
// in the same order, so the results are the same to the bit. Band k works on frame i - k in step
// i: the bands of one step never wait on one another, each takes what the band before it made
// in the step before.
void ParamEq::CascadeStereo(ParamEq* const* bands, std::size_t count, float* samples, int frames) {
    using Lanes = CascadeLanes;
    std::array<Lanes, kMaxCascade> lanes;
    for (std::size_t k = 0; k < count; ++k) {
        const ParamEq& b = *bands[k];
        const State& l = b.m_state[0];
        const State& r = b.m_state[1];
        lanes[k] = {_mm_set1_pd(b.m_b0),    _mm_set1_pd(b.m_b1),    _mm_set1_pd(b.m_b2),
                    _mm_set1_pd(b.m_a1),    _mm_set1_pd(b.m_a2),    _mm_set_pd(r.x1, l.x1),
                    _mm_set_pd(r.x2, l.x2), _mm_set_pd(r.y1, l.y1), _mm_set_pd(r.y2, l.y2),
                    _mm_setzero_pd()};
    }
    const auto last = count - 1;
    const auto filter = [&](std::size_t k, float* frame) {
        Lanes& f = lanes[k];
        const __m128d x =
            k == 0 ? _mm_cvtps_pd(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<__m64*>(frame)))
                   : f.in;
        __m128d y = _mm_mul_pd(f.b0, x);
        y = _mm_add_pd(y, _mm_mul_pd(f.b1, f.x1));
        y = _mm_add_pd(y, _mm_mul_pd(f.b2, f.x2));
        y = _mm_sub_pd(y, _mm_mul_pd(f.a1, f.y1));
        y = _mm_sub_pd(y, _mm_mul_pd(f.a2, f.y2));
        f.x2 = f.x1;
        f.x1 = x;
        f.y2 = f.y1;
        f.y1 = y;
        // The next band takes this one's output as a float, as it would from the buffer.
        const __m128 out = _mm_cvtpd_ps(y);
        if (k == last)
            _mm_storel_pi(reinterpret_cast<__m64*>(frame), out);
        else
            lanes[k + 1].in = _mm_cvtps_pd(out);
    };
    // The last band first in each step: it takes its input before the band before it makes the
    // next. In the steps at either end some bands have no frame to work on.
    const auto step = [&](long i) {
        for (std::size_t k = count; k-- > 0;) {
            const long frame = i - static_cast<long>(k);
            if (frame >= 0 && frame < frames) filter(k, samples + 2 * frame);
        }
    };
    const long lead = static_cast<long>(last);
    const long steps = static_cast<long>(frames) + lead;
    long i = 0;
    for (; i < std::min<long>(lead, steps); ++i) step(i);
#if defined(__x86_64__) && defined(__GNUC__)
    if (i < frames && kHasAvx) i = CascadeInteriorAvx(lanes.data(), count, samples, i, frames);
#endif
    for (; i < frames; ++i)
        for (std::size_t k = count; k-- > 0;) filter(k, samples + 2 * (i - static_cast<long>(k)));
    for (; i < steps; ++i) step(i);
    for (std::size_t k = 0; k < count; ++k) {
        State& l = bands[k]->m_state[0];
        State& r = bands[k]->m_state[1];
        const Lanes& f = lanes[k];
        _mm_storel_pd(&l.x1, f.x1);
        _mm_storeh_pd(&r.x1, f.x1);
        _mm_storel_pd(&l.x2, f.x2);
        _mm_storeh_pd(&r.x2, f.x2);
        _mm_storel_pd(&l.y1, f.y1);
        _mm_storeh_pd(&r.y1, f.y1);
        _mm_storel_pd(&l.y2, f.y2);
        _mm_storeh_pd(&r.y2, f.y2);
    }
}
#else
void ParamEq::CascadeStereo(ParamEq* const* bands, std::size_t count, float* samples, int frames) {
    for (std::size_t k = 0; k < count; ++k) bands[k]->ProcessStereo(samples, frames);
}
#endif

}  // namespace audio::detail
