#include "loop/PeakCache.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <new>

namespace {

// More steps than this (a day of audio) is a length no song has: the file lies about it.
constexpr audio::QWORD kMostSteps = 24ull * 3600 * 50;

// The picture can wait; the sound and the window cannot. Linux gives each thread its own nice
// value, so only this reader yields.
void YieldToTheRestOfTheProgram() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
}

// Bytes one ChannelGetLevel reading advances a decoder by: a fiftieth of a second of frames.
audio::QWORD StepBytes(audio::HSTREAM decoder) {
    audio::CHANNELINFO info{};
    if (!audio::ChannelGetInfo(decoder, &info) || info.chans == 0) return 0;
    return std::max<audio::QWORD>(1, info.freq / 50) * info.chans * 2;
}

}  // namespace

CPeakCache::~CPeakCache() {
    Stop();
}

void CPeakCache::Start(const std::string& path) {
    Stop();
    m_strPath = path;
    m_shared = std::make_unique<Shared>();
    m_thread = std::jthread(&CPeakCache::Read, std::ref(*m_shared), path);
}

void CPeakCache::Stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}

CPeakCache::State CPeakCache::GetState() const {
    return m_shared ? m_shared->state.load(std::memory_order_acquire) : State::Empty;
}

bool CPeakCache::IsFinal() const {
    const State state = GetState();
    return state == State::Complete || state == State::Failed || state == State::Stopped;
}

std::span<const PeakStep> CPeakCache::Steps() const {
    if (!m_shared) return {};
    const std::size_t finished = m_shared->finished.load(std::memory_order_acquire);
    return {m_shared->steps.data(), finished};
}

void CPeakCache::Read(std::stop_token stop, Shared& shared, std::string path) {
    YieldToTheRestOfTheProgram();
    // Opening a long song reads it through first: a stop calls that off rather than waiting.
    std::atomic<bool> openingCalledOff{false};
    const std::stop_callback callOff(stop, [&openingCalledOff] { openingCalledOff = true; });
    audio::SetOpenCancelFlag(&openingCalledOff);
    audio::HSTREAM decoder =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!decoder && audio::ErrorGetCode() != audio::ERROR_OPEN_CANCELLED)
        decoder = audio::MusicLoad(false, path.c_str(), 0, 0, audio::MUSIC_DECODE, 0);
    const bool calledOff = !decoder && audio::ErrorGetCode() == audio::ERROR_OPEN_CANCELLED;
    audio::SetOpenCancelFlag(nullptr);
    if (!decoder) {
        shared.state.store(calledOff ? State::Stopped : State::Failed, std::memory_order_release);
        return;
    }
    const State state = ReadSteps(stop, shared, decoder);
    // Closed before the state says so: a final state means the file is no longer open.
    audio::StreamFree(decoder);
    shared.state.store(state, std::memory_order_release);
}

CPeakCache::State CPeakCache::ReadSteps(const std::stop_token& stop, Shared& shared,
                                        audio::HSTREAM decoder) {
    const audio::QWORD length = audio::ChannelGetLength(decoder);
    const audio::QWORD stepBytes = StepBytes(decoder);
    if (length == audio::QWORD(-1) || stepBytes == 0) return State::Failed;
    if (stop.stop_requested()) return State::Stopped;
    // One more for a last reading that a length not on a step boundary leaves short.
    const audio::QWORD capacity = std::min(length / stepBytes + 1, kMostSteps);
    try {
        shared.steps.resize(static_cast<std::size_t>(capacity));
    } catch (const std::bad_alloc&) {
        return State::Failed;
    }
    shared.state.store(State::Reading, std::memory_order_release);

    std::size_t finished = 0;
    audio::QWORD position = audio::ChannelGetPosition(decoder);
    while (finished < shared.steps.size()) {
        if (stop.stop_requested()) return State::Stopped;
        const audio::DWORD level = audio::ChannelGetLevel(decoder);
        const audio::QWORD after = audio::ChannelGetPosition(decoder);
        // The end, or a decoder that fails without moving on and would never end the loop.
        if (level == audio::DWORD(-1) && (after == position || after == audio::QWORD(-1))) break;
        // A failed reading that moved on adds nothing to the peaks, but keeps its place.
        shared.steps[finished] = {position, level == audio::DWORD(-1) ? 0 : level};
        shared.finished.store(++finished, std::memory_order_release);
        position = after;
    }
    return State::Complete;
}
