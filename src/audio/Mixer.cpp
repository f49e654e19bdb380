#include "audio/Mixer.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>

#include "audio/AudioSystem.h"
#include "audio/SampleConversion.h"
#include "audio/SequenceWait.h"
#include "audio/ThreadPriority.h"
#include "audio/Voice.h"

namespace audio::detail {

namespace {

// Below this much audio queued at the device, the mixer renders whether or not every producer
// has delivered: a block missing then is silence, not a late device.
constexpr std::uint64_t kUrgentFrames = 2 * kVoiceBlockFrames;

// True when the producer has queued what a voice starts with (or its last block): the voice
// may start (Voice::started).
bool HasStartingLead(const Voice& voice) {
    const std::uint64_t r = voice.read.load(std::memory_order_relaxed);
    const std::uint64_t w = voice.written.load(std::memory_order_acquire);
    if (w - r >= Producer::kStartingBlocks) return true;
    for (std::uint64_t i = r; i < w; ++i)
        if (voice.blocks[i % Voice::kBlocks].last) return true;
    return false;
}

}  // namespace

Mixer::Mixer(DeviceOutput& output)
    : m_output(output), m_ahead(DeviceOutput::kRate * 25 / 1000), m_producer(*this, output) {
    m_mix.resize(kBlockFrames * 2);
    m_block.resize(kBlockFrames * 2);
    m_playing.reserve(kExpectedChannels);
}

Mixer::~Mixer() {
    Stop();
}

void Mixer::Start() {
    m_bStop = false;
    m_producer.Start();
    m_thread = std::thread([this] {
        m_threadId = std::this_thread::get_id();
        Run();
        m_threadId = std::thread::id{};
    });
}

void Mixer::Stop() {
    // Only a running mixer touches the output: a stopped one may outlive it.
    if (m_thread.joinable()) {
        m_bStop = true;
        m_output.Wake();
        m_thread.join();
    }
    m_producer.Stop();
    std::lock_guard lock(m_listMutex);
    m_playing.clear();
    PublishLocked();
}

std::vector<std::uint64_t> Mixer::StarvedFrom(std::uint64_t count) const {
    const std::uint64_t now = m_starvedBlocks.load(std::memory_order_acquire);
    std::vector<std::uint64_t> frames;
    for (std::uint64_t n = std::max(count, now > kStarvedKept ? now - kStarvedKept : 0); n < now;
         ++n)
        frames.push_back(m_starvedAt[n % kStarvedKept].load(std::memory_order_relaxed));
    return frames;
}

std::uint64_t Mixer::StarvedBlocks() {
    const std::shared_ptr<Mixer> mixer = AudioSystem::Get().CurrentMixer();
    return mixer ? mixer->StarvedCount() : 0;
}

std::vector<std::uint64_t> Mixer::StarvedSince(std::uint64_t count) {
    const std::shared_ptr<Mixer> mixer = AudioSystem::Get().CurrentMixer();
    return mixer ? mixer->StarvedFrom(count) : std::vector<std::uint64_t>{};
}

std::thread::id Mixer::ThreadId() {
    const std::shared_ptr<Mixer> mixer = AudioSystem::Get().CurrentMixer();
    return mixer ? mixer->MixingThread() : std::thread::id{};
}

std::thread::id Mixer::ProducerThreadId() {
    const std::shared_ptr<Mixer> mixer = AudioSystem::Get().CurrentMixer();
    return mixer ? mixer->m_producer.ThreadId() : std::thread::id{};
}

void Mixer::Add(const ChannelPtr& channel) {
    {
        std::lock_guard lock(m_listMutex);
        if (std::find(m_playing.begin(), m_playing.end(), channel) != m_playing.end()) return;
        channel->Playback().MixerVoice()->started.store(false);
        channel->Playback().MixerVoice()->primed.store(true);
        m_playing.push_back(channel);
        PublishLocked();
    }
    m_producer.Wake();
}

void Mixer::Remove(const Channel* channel) {
    std::lock_guard lock(m_listMutex);
    if (std::erase_if(m_playing, [&](const ChannelPtr& c) { return c.get() == channel; }) > 0)
        PublishLocked();
}

void Mixer::RemoveUnlessRestarted(const ChannelPtr& channel, std::uint64_t starts) {
    std::lock_guard lock(m_listMutex);
    if (channel->Playback().MixerVoice()->starts.load() != starts) return;
    if (std::erase(m_playing, channel) > 0) PublishLocked();
}

void Mixer::Playing(std::vector<ChannelPtr>& out) {
    std::lock_guard lock(m_listMutex);
    out = m_playing;
}

void Mixer::PublishLocked() {
    // A block takes a few milliseconds; a mixer held up for longer keeps the old list.
    m_list.Publish(m_playing, std::chrono::seconds(1));
}

void Mixer::Run() {
    RaiseThreadPriority(10, -10);  // ahead of the producer and of all ordinary work
    // Each wake-up of the mixer, and of the producer after it, costs more than the mixing: with
    // a long enough lead the mixer sleeps until there is room for two blocks and renders them
    // together, and the producer is told once, when the mixer goes back to sleep.
    bool bBurst = false;           // rendering the blocks one wake-up found room for
    bool bProducerBehind = false;  // blocks were taken since the producer was last told
    const auto tellProducer = [&] {
        if (bProducerBehind) m_producer.Wake();
        bProducerBehind = false;
    };
    while (!m_bStop) {
        const std::uint32_t takings = m_output.Takings();
        const std::uint64_t written = m_output.Written();
        const std::uint64_t buffered = written - m_output.Taken();
        // Less than a device buffer and a block ahead, the device would find the ring short.
        const std::uint64_t ahead = static_cast<std::uint64_t>(
            std::max(m_ahead.load(), m_output.BufferFrames() + kBlockFrames));
        const std::uint64_t perWake = ahead >= 4 * kBlockFrames ? 2 : 1;
        if (buffered + kBlockFrames > ahead ||
            (!bBurst && buffered + perWake * kBlockFrames > ahead)) {
            if (buffered + kBlockFrames > ahead) m_output.LeadFilled();
            bBurst = false;
            tellProducer();
            // Room for perWake blocks once the device has taken this far.
            m_output.WaitForTaking(takings, std::chrono::milliseconds(50),
                                   written + perWake * kBlockFrames - ahead);
            continue;
        }
        bBurst = true;
        ++m_renderSeq;
        const PlayingList::List* list = m_list.Acquire();
        // With time to spare, a producer that is behind gets it rather than a silent block.
        if (buffered >= kUrgentFrames && !VoicesReady(*list)) {
            // A wake the producer misses costs no more than the timeout, well inside the lead.
            m_bWaitingForVoices.store(true);
            const bool ready = VoicesReady(*list);
            m_list.Release();
            ++m_renderSeq;
            tellProducer();
            if (!ready) m_output.WaitForTaking(takings, std::chrono::milliseconds(2));
            m_bWaitingForVoices.store(false);
            continue;
        }
        std::fill(m_mix.begin(), m_mix.end(), 0.0f);
        for (Voice* voice : list->voices) {
            if (!voice->started.load(std::memory_order_relaxed)) {
                if (!HasStartingLead(*voice)) continue;  // silent until it starts, not starved
                voice->started.store(true, std::memory_order_relaxed);
            }
            if (!MixVoice(*voice, written) && voice->primed.load(std::memory_order_relaxed)) {
                const std::uint64_t n = m_starvedBlocks.load(std::memory_order_relaxed);
                m_starvedAt[n % kStarvedKept].store(written, std::memory_order_relaxed);
                m_starvedBlocks.store(n + 1, std::memory_order_release);  // one writer
            }
        }
        m_list.Release();
        ++m_renderSeq;
        FloatToInt16(m_mix.data(), m_block.data(), m_mix.size());
        m_output.Write(m_block.data(), kBlockFrames);
        bProducerBehind = true;
    }
    m_list.Release();
}

void Mixer::WaitUntilUnused() {
    WaitForRunEnd(m_renderSeq, m_threadId);
    m_producer.WaitForPassEnd();
}

bool Mixer::VoicesReady(const PlayingList::List& list) const {
    for (const Voice* voice : list.voices) {
        if (!voice->primed.load(std::memory_order_relaxed)) continue;
        if (!voice->started.load(std::memory_order_relaxed)) {
            if (!HasStartingLead(*voice)) return false;
        } else if (voice->read.load(std::memory_order_relaxed) >=
                   voice->written.load(std::memory_order_acquire)) {
            return false;
        }
    }
    return true;
}

bool Mixer::MixVoice(Voice& voice, std::uint64_t outStart) {
    std::uint64_t r = voice.read.load(std::memory_order_relaxed);
    const std::uint64_t w = voice.written.load(std::memory_order_acquire);
    VoiceBlock* block = nullptr;
    for (; r < w; ++r) {
        VoiceBlock& candidate = voice.blocks[r % Voice::kBlocks];
        // The rest of a withdrawn generation is passed over, whether or not the API side has
        // reached it yet.
        if (candidate.generation == voice.skipGeneration) continue;
        std::uint32_t expected = VoiceBlock::kReady;
        if (candidate.state.compare_exchange_strong(expected, VoiceBlock::kTaken,
                                                    std::memory_order_acq_rel)) {
            block = &candidate;
            break;
        }
        voice.skipGeneration = candidate.generation;
    }
    voice.read.store(r, std::memory_order_release);
    if (!block) return false;

    const int frames = block->frames;
    const float volume = static_cast<float>(voice.volume.load(std::memory_order_relaxed)) / 100.0f;
    const int pan = voice.pan.load(std::memory_order_relaxed);
    const float gainL = volume * (pan > 0 ? static_cast<float>(100 - pan) / 100.0f : 1.0f);
    const float gainR = volume * (pan < 0 ? static_cast<float>(100 + pan) / 100.0f : 1.0f);
    const float fromL = voice.gainLeft < 0 ? gainL : voice.gainLeft;
    const float fromR = voice.gainRight < 0 ? gainR : voice.gainRight;
    const float* samples = block->samples.data();
    for (int i = 0; i < frames; ++i) {
        const float t = static_cast<float>(i) / kBlockFrames;
        const float gl = fromL == gainL ? gainL : fromL + (gainL - fromL) * t;
        const float gr = fromR == gainR ? gainR : fromR + (gainR - fromR) * t;
        m_mix[2 * i] += samples[2 * i] * gl;
        m_mix[2 * i + 1] += samples[2 * i + 1] * gr;
    }
    voice.gainLeft = gainL;
    voice.gainRight = gainR;

    PlayedSegment played;
    played.generation = block->generation;
    played.segment = block->segment;
    played.segment.outStart = outStart;
    played.segment.outFrames = static_cast<std::uint32_t>(std::max(frames, 1));
    voice.PushPlayed(played);
    if (block->last) {
        voice.primed.store(false, std::memory_order_relaxed);
        voice.endedGeneration.store(block->generation, std::memory_order_release);
    }
    voice.read.store(r + 1, std::memory_order_release);
    return true;
}

}  // namespace audio::detail
