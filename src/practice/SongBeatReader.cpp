#include "practice/SongBeatReader.h"

#include <sys/resource.h>
#include <unistd.h>

#include <vector>

#include "audio/Audio.h"
#include "practice/BeatDetector.h"

namespace {

constexpr int kBlockFrames = 4096;

}  // namespace

CSongBeatReader::~CSongBeatReader() {
    Stop();
}

void CSongBeatReader::Start(const std::string& path) {
    Stop();
    m_shared = std::make_unique<Shared>();
    m_thread = std::jthread(&CSongBeatReader::Read, std::ref(*m_shared), path);
}

void CSongBeatReader::Stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}

bool CSongBeatReader::IsDone() const {
    return m_shared && m_shared->done.load(std::memory_order_acquire);
}

std::optional<double> CSongBeatReader::Bpm() const {
    if (!IsDone()) return std::nullopt;
    const double bpm = m_shared->bpm.load(std::memory_order_acquire);
    return bpm > 0 ? std::optional<double>(bpm) : std::nullopt;
}

void CSongBeatReader::Read(std::stop_token stop, Shared& shared, std::string path) {
    // The beat can wait; the sound and the window cannot.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::atomic<bool> openingCalledOff{false};
    const std::stop_callback callOff(stop, [&openingCalledOff] { openingCalledOff = true; });
    audio::SetOpenCancelFlag(&openingCalledOff);
    const audio::HSTREAM decoder =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    audio::SetOpenCancelFlag(nullptr);
    audio::CHANNELINFO info{};
    if (decoder && audio::ChannelGetInfo(decoder, &info) && info.chans > 0 && info.freq > 0) {
        BeatDetector detector(static_cast<int>(info.freq));
        std::vector<std::int16_t> block(static_cast<std::size_t>(kBlockFrames) * info.chans);
        std::vector<float> mono(kBlockFrames);
        while (!stop.stop_requested()) {
            const audio::DWORD bytes = audio::ChannelGetData(
                decoder, block.data(), static_cast<audio::DWORD>(block.size() * 2));
            if (bytes == audio::DWORD(-1) || bytes == 0) break;
            const std::size_t frames = bytes / 2 / info.chans;
            for (std::size_t f = 0; f < frames; ++f) {
                float sum = 0;
                for (audio::DWORD c = 0; c < info.chans; ++c) sum += block[f * info.chans + c];
                mono[f] = sum / (32768.0f * static_cast<float>(info.chans));
            }
            detector.Feed(mono.data(), frames);
        }
        if (!stop.stop_requested())
            shared.bpm.store(detector.Bpm().value_or(0), std::memory_order_release);
    }
    if (decoder) audio::StreamFree(decoder);
    shared.done.store(true, std::memory_order_release);
}
