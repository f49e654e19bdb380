#include "audio/Producer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/Futex.h"
#include "audio/Mixer.h"
#include "audio/SequenceWait.h"
#include "audio/ThreadPriority.h"
#include "audio/Voice.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace audio::detail {

namespace {

constexpr float kToFloat = 1.0f / 32768.0f;

// Channel frames to stereo float; more than two channels fold into two (front left and right,
// centre and surrounds at -3 dB, LFE dropped).
void ToStereo(const std::int16_t* in, int frames, int channels, float* out) {
    if (channels == 1) {
        for (int i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = in[i] * kToFloat;
        return;
    }
    if (channels == 2) {
        for (int i = 0; i < 2 * frames; ++i) out[i] = in[i] * kToFloat;
        return;
    }
    constexpr float kSide = 0.7071f;
    const int lfe = channels >= 6 ? 3 : -1;
    float norm = 1.0f + kSide;  // front + centre
    norm += kSide * static_cast<float>((channels - 3 - (lfe >= 0 ? 1 : 0) + 1) / 2);
    for (int i = 0; i < frames; ++i) {
        const std::int16_t* f = in + static_cast<std::size_t>(i) * channels;
        float l = f[0], r = f[1];
        const float c = kSide * f[2];
        l += c;
        r += c;
        int side = 0;
        for (int k = 3; k < channels; ++k) {
            if (k == lfe) continue;
            (side++ % 2 == 0 ? l : r) += kSide * f[k];
        }
        out[2 * i] = l * kToFloat / norm;
        out[2 * i + 1] = r * kToFloat / norm;
    }
}

bool EnsureResampler(Voice& voice, int rate) {
    if (voice.resampler && voice.resamplerRate == rate) return true;
    SwrContext* swr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, DeviceOutput::kRate, &stereo,
                            AV_SAMPLE_FMT_FLT, rate, 0, nullptr) < 0)
        return false;
    // A long windowed-sinc filter keeps aliasing and imaging well below hearing.
    av_opt_set_int(swr, "filter_size", 32, 0);
    av_opt_set_int(swr, "phase_shift", 10, 0);
    av_opt_set_double(swr, "cutoff", 0.95, 0);
    if (swr_init(swr) < 0) {
        swr_free(&swr);
        return false;
    }
    voice.resampler.reset(swr);
    voice.resamplerRate = rate;
    return true;
}

// Reads one block of the channel at the device rate into `out` (stereo float); returns the
// frames made, fewer than a block only at the end.
int ReadResampled(Channel& channel, Voice& voice, std::uint64_t outStart, float* out) {
    constexpr int kFrames = kVoiceBlockFrames;
    const int rate = channel.Playback().PlaybackRate();
    const int chans = channel.Channels();
    if (rate == DeviceOutput::kRate && !voice.resampler) {
        voice.input.resize(static_cast<std::size_t>(kFrames) * chans);
        const int n = channel.Read(voice.input.data(), kFrames, RenderContext{outStart, 1.0});
        ToStereo(voice.input.data(), n, chans, out);
        return n;
    }
    if (!EnsureResampler(voice, rate)) return 0;
    const double ratio = static_cast<double>(rate) / DeviceOutput::kRate;
    // What the converter still holds comes first.
    auto* dst = reinterpret_cast<uint8_t*>(out);
    int produced = std::max(swr_convert(voice.resampler.get(), &dst, kFrames, nullptr, 0), 0);
    while (produced < kFrames) {
        const int need =
            std::max(16, static_cast<int>(std::ceil((kFrames - produced) * ratio)) + 2);
        voice.input.resize(static_cast<std::size_t>(need) * chans);
        voice.stereo.resize(static_cast<std::size_t>(need) * 2);
        const int n =
            channel.Read(voice.input.data(), need, RenderContext{outStart + produced, 1.0 / ratio});
        // A procedure that moved the position let the converter go with the audio before it.
        if (n <= 0 || !voice.resampler) break;
        ToStereo(voice.input.data(), n, chans, voice.stereo.data());
        const auto* in = reinterpret_cast<const uint8_t*>(voice.stereo.data());
        dst = reinterpret_cast<uint8_t*>(out + 2 * produced);
        const int got = swr_convert(voice.resampler.get(), &dst, kFrames - produced, &in, n);
        if (got < 0) break;
        produced += got;
    }
    return produced;
}

}  // namespace

Producer::Producer(Mixer& mixer, DeviceOutput& output) : m_mixer(mixer), m_output(output) {
    m_channels.reserve(Mixer::kExpectedChannels);
}

Producer::~Producer() {
    Stop();
}

void Producer::Start() {
    m_bStop = false;
    m_thread = std::thread([this] {
        m_threadId = std::this_thread::get_id();
        Run();
        m_threadId = std::thread::id{};
    });
}

void Producer::Stop() {
    if (!m_thread.joinable()) return;
    m_bStop = true;
    Wake();
    m_thread.join();
}

void Producer::Wake() {
    m_wakes.fetch_add(1);
    // Either the producer sees the new count before it sleeps, or it is seen waiting here.
    if (m_bWaiting.load()) FutexWakeOne(m_wakes);
}

void Producer::WaitForWake(std::uint32_t wakes, std::chrono::milliseconds timeout) {
    m_bWaiting.store(true);
    if (m_wakes.load() == wakes) FutexWait(m_wakes, wakes, timeout);
    m_bWaiting.store(false);
}

void Producer::WaitForPassEnd() {
    WaitForRunEnd(m_passSeq, m_threadId);
}

void Producer::Run() {
    // Just below the mixer: it must keep the mixer supplied.
    RaiseThreadPriority(9, -8);
    while (!m_bStop) {
        const std::uint32_t wakes = m_wakes.load();
        ++m_passSeq;
        m_mixer.Playing(m_channels);
        bool queued = false;
        for (const ChannelPtr& channel : m_channels) {
            std::unique_lock lock(channel->Mutex());
            Voice* voice = channel->Playback().MixerVoice().get();
            if (!voice) continue;
            channel->Playback().CollectPlayed();
            const bool endHeard =
                voice->endedGeneration.load(std::memory_order_acquire) == voice->generation;
            if (channel->Playback().State() == ACTIVE_PLAYING && !endHeard) {
                queued |= Fill(*channel, *voice);
                continue;
            }
            if (channel->Playback().State() == ACTIVE_PLAYING)
                channel->Playback().SetState(ACTIVE_STOPPED);
            const std::uint64_t starts = voice->starts.load();
            lock.unlock();
            m_mixer.RemoveUnlessRestarted(channel, starts);
        }
        m_channels.clear();
        ++m_passSeq;
        // The mixer may be holding off a block for these while the device still has some time.
        if (queued && m_mixer.WaitingForVoices()) m_output.Wake();
        WaitForWake(wakes, std::chrono::milliseconds(20));
    }
}

bool Producer::Fill(Channel& channel, Voice& voice) {
    bool queued = false;
    while (!voice.endQueued && channel.Playback().State() == ACTIVE_PLAYING &&
           voice.LiveBlocks() < (voice.started.load(std::memory_order_relaxed)
                                     ? kReadAheadBlocks
                                     : kStartingBlocks)) {
        const std::uint64_t w = voice.written.load(std::memory_order_relaxed);
        // The mixer has not yet freed the slot (it skips withdrawn blocks as it goes).
        if (w - voice.read.load(std::memory_order_acquire) >= Voice::kBlocks) break;
        VoiceBlock& block = voice.blocks[w % Voice::kBlocks];
        block.outEstimate = m_output.Written() + voice.LiveBlocks() * kVoiceBlockFrames;
        PlaybackHistory::Segment& segment = block.segment;
        segment = {};
        segment.srcStart = channel.ReadPosition();
        // A tempo stream's timeline moves at its tempo: a position counted back through a loop
        // jump must use it, or it lands before the loop's start.
        segment.srcPerOut =
            static_cast<float>(channel.Playback().PlaybackRate() *
                               channel.TimelineFramesPerFrame() / DeviceOutput::kRate);
        const int n = ReadResampled(channel, voice, block.outEstimate, block.samples.data());
        segment.srcEnd = channel.ReadPosition();
        segment.jumpFrom = channel.Playback().LastJumpFrom();
        segment.jumpTo = channel.Playback().LastJumpTo();
        const bool last = n < kVoiceBlockFrames && channel.Ended();
        if (n <= 0 && !last) break;  // a sync keeps moving the position: again next time
        std::fill(block.samples.begin() + 2 * n, block.samples.end(), 0.0f);
        // Levels are taken from the stereo mix of the channel's own samples, before volume.
        float peakL = 0, peakR = 0;
        for (int i = 0; i < n; ++i) {
            peakL = std::max(peakL, std::fabs(block.samples[2 * i]));
            peakR = std::max(peakR, std::fabs(block.samples[2 * i + 1]));
        }
        segment.peakLeft = static_cast<std::uint16_t>(std::min(peakL * 32768.0f, 32768.0f));
        segment.peakRight = static_cast<std::uint16_t>(std::min(peakR * 32768.0f, 32768.0f));
        block.frames = std::max(n, 0);
        block.last = last;
        // Taken now: a procedure that moved the position started a new generation meanwhile.
        block.generation = voice.generation;
        voice.endQueued = last;
        block.state.store(VoiceBlock::kReady, std::memory_order_release);
        voice.written.store(w + 1, std::memory_order_release);
        queued = true;
    }
    return queued;
}

}  // namespace audio::detail
