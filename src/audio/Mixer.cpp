#include "audio/Mixer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/SampleConversion.h"
#include "audio/Voice.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace audio::detail {

namespace {

constexpr float kToFloat = 1.0f / 32768.0f;

// One mixing thread at a time (the device is opened once); these outlive every mixer.
std::atomic<std::thread::id> g_mixerThread{};
std::atomic<std::uint64_t> g_renderSeq{0};  // odd while a block is being rendered

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

}  // namespace

Mixer::Mixer(DeviceOutput& output) : m_output(output), m_ahead(DeviceOutput::kRate * 25 / 1000) {
    m_mix.resize(kBlockFrames * 2);
    m_block.resize(kBlockFrames * 2);
    // Room for every channel a player plays at once: taking the snapshot does not allocate.
    m_playing.reserve(kExpectedChannels);
    m_snapshot.reserve(kExpectedChannels);
}

Mixer::~Mixer() {
    Stop();
}

void Mixer::Start() {
    m_bStop = false;
    m_thread = std::thread([this] {
        g_mixerThread = std::this_thread::get_id();
        Run();
    });
}

void Mixer::Stop() {
    // Only a running mixer touches the output: a stopped one may outlive it.
    if (m_thread.joinable()) {
        m_bStop = true;
        m_output.Wake();
        m_thread.join();
    }
    std::lock_guard lock(m_listMutex);
    m_playing.clear();
}

void Mixer::Add(const ChannelPtr& channel) {
    std::lock_guard lock(m_listMutex);
    if (std::find(m_playing.begin(), m_playing.end(), channel) == m_playing.end())
        m_playing.push_back(channel);
}

void Mixer::Remove(const Channel* channel) {
    std::lock_guard lock(m_listMutex);
    std::erase_if(m_playing, [&](const ChannelPtr& c) { return c.get() == channel; });
}

void Mixer::Run() {
    // Ahead of ordinary work where the system allows it: real-time scheduling (granted to users
    // through RLIMIT_RTPRIO), else a higher share of the processor.
    sched_param param{};
    param.sched_priority = 10;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    while (!m_bStop) {
        const std::uint32_t takings = m_output.Takings();
        const std::uint64_t written = m_output.Written();
        const std::uint64_t buffered = written - m_output.Taken();
        if (buffered + kBlockFrames <= static_cast<std::uint64_t>(m_ahead.load())) {
            RenderBlock(written);
            m_output.Write(m_block.data(), kBlockFrames);
        } else {
            m_output.WaitForTaking(takings, std::chrono::milliseconds(50));
        }
    }
}

void Mixer::WaitForBlockEnd() {
    if (std::this_thread::get_id() == g_mixerThread.load()) return;
    const std::uint64_t seq = g_renderSeq.load();
    if (seq % 2 == 0) return;
    // A block takes a few milliseconds; the bound only keeps a caller that holds a lock the
    // mixer waits for from waiting forever.
    for (int i = 0; i < 10000 && g_renderSeq.load() == seq; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
}

void Mixer::RenderBlock(std::uint64_t outStart) {
    std::fill(m_mix.begin(), m_mix.end(), 0.0f);
    ++g_renderSeq;
    {
        std::lock_guard lock(m_listMutex);
        m_snapshot = m_playing;
    }
    for (const ChannelPtr& channel : m_snapshot) {
        if (!MixChannel(*channel, outStart)) Remove(channel.get());
    }
    m_snapshot.clear();
    ++g_renderSeq;
    FloatToInt16(m_mix.data(), m_block.data(), m_mix.size());
}

int Mixer::ReadResampled(Channel& channel, Voice& voice, std::uint64_t outStart) {
    const int rate = channel.PlaybackRate();
    const int chans = channel.Channels();
    voice.output.resize(2 * kBlockFrames);
    if (rate == DeviceOutput::kRate && !voice.resampler) {
        voice.input.resize(static_cast<std::size_t>(kBlockFrames) * chans);
        RenderContext ctx{outStart, 1.0};
        const int n = channel.Read(voice.input.data(), kBlockFrames, ctx);
        ToStereo(voice.input.data(), n, chans, voice.output.data());
        return n;
    }
    if (!EnsureResampler(voice, rate)) return 0;
    const double ratio = static_cast<double>(rate) / DeviceOutput::kRate;
    // What the converter still holds comes first.
    uint8_t* out = reinterpret_cast<uint8_t*>(voice.output.data());
    int produced = swr_convert(voice.resampler.get(), &out, kBlockFrames, nullptr, 0);
    produced = std::max(produced, 0);
    while (produced < kBlockFrames) {
        const int need =
            std::max(16, static_cast<int>(std::ceil((kBlockFrames - produced) * ratio)) + 2);
        voice.input.resize(static_cast<std::size_t>(need) * chans);
        voice.stereo.resize(static_cast<std::size_t>(need) * 2);
        RenderContext ctx{outStart + produced, 1.0 / ratio};
        const int n = channel.Read(voice.input.data(), need, ctx);
        if (n <= 0) break;
        ToStereo(voice.input.data(), n, chans, voice.stereo.data());
        const uint8_t* in = reinterpret_cast<const uint8_t*>(voice.stereo.data());
        out = reinterpret_cast<uint8_t*>(voice.output.data() + 2 * produced);
        const int got = swr_convert(voice.resampler.get(), &out, kBlockFrames - produced, &in, n);
        if (got < 0) break;
        produced += got;
    }
    return produced;
}

bool Mixer::MixChannel(Channel& channel, std::uint64_t outStart) {
    std::lock_guard lock(channel.Mutex());
    if (channel.State() != ACTIVE_PLAYING) return false;
    auto& voicePtr = channel.MixerVoice();
    if (!voicePtr) voicePtr = std::make_unique<Voice>();
    Voice& voice = *voicePtr;

    PlaybackHistory::Segment segment;
    segment.outStart = outStart;
    segment.srcStart = channel.ReadPosition();
    // A tempo stream's timeline moves at its tempo: a position counted back through a loop jump
    // must use it, or it lands before the loop's start.
    segment.srcPerOut = static_cast<float>(channel.PlaybackRate() *
                                           channel.TimelineFramesPerFrame() / DeviceOutput::kRate);
    const int produced = ReadResampled(channel, voice, outStart);
    segment.srcEnd = channel.ReadPosition();
    segment.outFrames = static_cast<std::uint32_t>(std::max(produced, 1));
    // Levels are taken from the stereo mix of the channel's own samples, before volume.
    int peakL = 0, peakR = 0;
    for (int i = 0; i < produced; ++i) {
        peakL = std::max(peakL, static_cast<int>(std::fabs(voice.output[2 * i]) * 32768.0f));
        peakR = std::max(peakR, static_cast<int>(std::fabs(voice.output[2 * i + 1]) * 32768.0f));
    }
    segment.peakLeft = static_cast<std::uint16_t>(std::min(peakL, 32768));
    segment.peakRight = static_cast<std::uint16_t>(std::min(peakR, 32768));
    channel.History().Add(segment);

    const float volume = channel.Volume() / 100.0f;
    const int pan = channel.Pan();
    const float gainL = volume * (pan > 0 ? (100 - pan) / 100.0f : 1.0f);
    const float gainR = volume * (pan < 0 ? (100 + pan) / 100.0f : 1.0f);
    const float fromL = voice.gainLeft < 0 ? gainL : voice.gainLeft;
    const float fromR = voice.gainRight < 0 ? gainR : voice.gainRight;
    for (int i = 0; i < produced; ++i) {
        const float t = static_cast<float>(i) / kBlockFrames;
        const float gl = fromL == gainL ? gainL : fromL + (gainL - fromL) * t;
        const float gr = fromR == gainR ? gainR : fromR + (gainR - fromR) * t;
        m_mix[2 * i] += voice.output[2 * i] * gl;
        m_mix[2 * i + 1] += voice.output[2 * i + 1] * gr;
    }
    voice.gainLeft = gainL;
    voice.gainRight = gainR;

    if (produced < kBlockFrames && channel.Ended()) {
        channel.SetState(ACTIVE_STOPPED);
        return false;
    }
    return true;
}

}  // namespace audio::detail
