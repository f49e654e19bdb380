#include "audio/PlaybackFeed.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "audio/ThreadPriority.h"

namespace audio::detail {

namespace {
constexpr auto kAcquire = std::memory_order_acquire;
constexpr auto kRelease = std::memory_order_release;
constexpr auto kRelaxed = std::memory_order_relaxed;
// How often the thread looks again on its own: a jump that took the spare does not wake it
// (the producer makes no calls that may block), and the new current reader holds a second.
constexpr std::chrono::milliseconds kLookAgain{10};

std::uint64_t FramesOfMs(int sampleRate, int ms) {
    return static_cast<std::uint64_t>(sampleRate) * static_cast<std::uint64_t>(ms) / 1000;
}
}  // namespace

void PlaybackFeed::Reader::Reset(std::uint64_t frame) {
    start.store(frame, kRelaxed);
    read.store(0, kRelaxed);
    atEnd.store(false, kRelaxed);
    written.store(0, kRelease);
}

std::unique_ptr<PlaybackFeed> PlaybackFeed::Start(std::unique_ptr<FileDecoder>& decoder,
                                                  FileDecoder::Twin twin) {
    std::unique_ptr<PlaybackFeed> feed(new PlaybackFeed(std::move(decoder), std::move(twin)));
    // The first blocks are there before playing starts, on the caller's thread.
    feed->Fill(feed->m_readers[0], kStartFrames);
    try {
        feed->m_thread = std::thread([f = feed.get()] { f->Run(); });
    } catch (const std::system_error&) {
        decoder = std::move(feed->m_readers[0].decoder);
        return nullptr;
    }
    return feed;
}

PlaybackFeed::PlaybackFeed(std::unique_ptr<FileDecoder> decoder, FileDecoder::Twin twin)
    : m_twin(std::move(twin)),
      m_nChannels(decoder->Channels()),
      m_nSampleRate(decoder->SampleRate()),
      m_qwRingFrames(
          std::max<std::uint64_t>(FramesOfMs(decoder->SampleRate(), kRingMs), 4 * kChunkFrames)) {
    const std::size_t ringSamples = m_qwRingFrames * static_cast<std::size_t>(m_nChannels);
    for (Reader& reader : m_readers) {
        reader.ring.resize(ringSamples);
        reader.chunk.resize(static_cast<std::size_t>(kChunkFrames) *
                            static_cast<std::size_t>(m_nChannels));
    }
    m_readers[0].Reset(decoder->Position());
    m_readers[0].decoder = std::move(decoder);
}

PlaybackFeed::~PlaybackFeed() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

std::uint64_t PlaybackFeed::HeldFrames(const Reader& reader) const {
    return reader.written.load(kAcquire) - reader.read.load(kAcquire);
}

void PlaybackFeed::Run() {
    // Below the producer and the mixer, above ordinary work: a build beside the player must not
    // keep the rings from filling. It sleeps whenever its ring is full, so it takes little.
    RaiseThreadPriority(1, -5);
    std::unique_lock lock(m_mutex);
    const std::uint64_t comfortable = FramesOfMs(m_nSampleRate, kSpareReadyMs);
    while (!m_bStop) {
        const std::uint32_t state = m_state.load(kAcquire);
        Reader& current = m_readers[state & 1];
        Reader& spare = m_readers[(state & 1) ^ 1];
        const bool mayFill =
            !current.atEnd.load(kAcquire) && HeldFrames(current) + kChunkFrames <= m_qwRingFrames;
        const std::uint64_t aim = m_qwAim;
        const bool spareWanted =
            aim != UINT64_MAX && aim != m_qwFailedAim &&
            ((state & kSpareReady) == 0 || m_qwSpareTarget.load(kRelaxed) != aim);
        // What is about to be heard first; the spare once a second is ready.
        if (mayFill && (!spareWanted || HeldFrames(current) < comfortable)) {
            lock.unlock();
            {
                const std::lock_guard writing(m_writingCurrent);
                Fill(Current(), kChunkFrames);
            }
            lock.lock();
            continue;
        }
        if (spareWanted) {
            // A spare offered for another frame is withdrawn first, unless a jump takes it now.
            std::uint32_t expected = state;
            if ((state & kSpareReady) &&
                !m_state.compare_exchange_strong(expected, state & ~kSpareReady,
                                                 std::memory_order_acq_rel))
                continue;
            m_qwSpareTarget.store(aim, kRelaxed);
            lock.unlock();
            const bool ready = Prepare(spare, aim);
            lock.lock();
            if (ready)
                // Only this thread changes the word while the spare is not ready. A new
                // generation: a jump that read the spare's fields before it was made ready
                // again fails its compare-and-swap instead of landing on stale ones.
                m_state.store((m_state.load(kRelaxed) | kSpareReady) + kGeneration, kRelease);
            else
                m_qwFailedAim = aim;
            continue;
        }
        m_changed.wait_for(lock, kLookAgain);
    }
}

void PlaybackFeed::Fill(Reader& reader, std::uint64_t frames) {
    const auto samples = static_cast<std::size_t>(m_nChannels);
    while (frames > 0 && !reader.atEnd.load(kRelaxed)) {
        const std::uint64_t written = reader.written.load(kRelaxed);
        const std::uint64_t room = m_qwRingFrames - (written - reader.read.load(kAcquire));
        const int want = static_cast<int>(
            std::min<std::uint64_t>({frames, room, static_cast<std::uint64_t>(kChunkFrames)}));
        if (want <= 0) return;
        const int got = std::max(reader.decoder->Read(reader.chunk.data(), want), 0);
        std::uint64_t at = written % m_qwRingFrames;
        for (int done = 0; done < got;) {
            const int run = static_cast<int>(std::min<std::uint64_t>(
                static_cast<std::uint64_t>(got - done), m_qwRingFrames - at));
            std::memcpy(reader.ring.data() + at * samples, reader.chunk.data() + done * samples,
                        static_cast<std::size_t>(run) * samples * sizeof(std::int16_t));
            done += run;
            at = (at + static_cast<std::uint64_t>(run)) % m_qwRingFrames;
        }
        reader.written.store(written + static_cast<std::uint64_t>(got), kRelease);
        if (got < want) reader.atEnd.store(true, kRelease);
        frames -= static_cast<std::uint64_t>(got);
    }
}

bool PlaybackFeed::Prepare(Reader& spare, std::uint64_t target) {
    if (!spare.decoder) {
        int error = 0;
        spare.decoder = FileDecoder::OpenTwin(m_twin, error);
        if (!spare.decoder) return false;
    }
    const std::uint64_t from = target - std::min(target, FramesOfMs(m_nSampleRate, kLeadInMs));
    if (!spare.decoder->Seek(from)) return false;
    spare.Reset(spare.decoder->Position());
    Fill(spare, target - from + FramesOfMs(m_nSampleRate, kSpareReadyMs));
    return spare.start.load(kRelaxed) == from &&
           (spare.written.load(kRelaxed) >= target - from || spare.atEnd.load(kRelaxed));
}

int PlaybackFeed::Read(std::int16_t* dst, int frames) {
    Reader& reader = Current();
    const auto samples = static_cast<std::size_t>(m_nChannels);
    int done = 0;
    while (done < frames) {
        const bool atEnd = reader.atEnd.load(kAcquire);  // before `written`: then it is final
        const std::uint64_t written = reader.written.load(kAcquire);
        const std::uint64_t read = reader.read.load(kRelaxed);
        if (written == read) {
            if (atEnd) break;
            // The thread fell behind (the machine is busy, or a seek found nothing decoded):
            // rather than wait for an ordinary thread, the reader decodes, as without a feed.
            // Where the thread is decoding this moment, the lock lends it the reader's priority.
            const std::lock_guard writing(m_writingCurrent);
            if (HeldFrames(reader) == 0) Fill(reader, static_cast<std::uint64_t>(frames - done));
            continue;
        }
        const std::uint64_t at = read % m_qwRingFrames;
        const int run = static_cast<int>(std::min<std::uint64_t>(
            {static_cast<std::uint64_t>(frames - done), written - read, m_qwRingFrames - at}));
        std::memcpy(dst + static_cast<std::size_t>(done) * samples,
                    reader.ring.data() + at * samples,
                    static_cast<std::size_t>(run) * samples * sizeof(std::int16_t));
        done += run;
        reader.read.store(read + static_cast<std::uint64_t>(run), kRelease);
    }
    return done;
}

std::uint64_t PlaybackFeed::Position() const {
    const Reader& reader = Current();
    return reader.start.load(kRelaxed) + reader.read.load(kRelaxed);
}

bool PlaybackFeed::Land(std::uint64_t frame) {
    std::uint32_t state = m_state.load(kAcquire);
    if ((state & kSpareReady) == 0) return false;
    Reader& spare = m_readers[(state & 1) ^ 1];
    const std::uint64_t start = spare.start.load(kRelaxed);
    if (frame < start || frame > m_qwSpareTarget.load(kRelaxed) ||
        spare.written.load(kAcquire) < frame - start)
        return false;
    // Fails only where the thread withdrew the spare this moment, to aim it elsewhere.
    const std::uint32_t taken = (state & ~(kSpareReady | 1)) | ((state & 1) ^ 1);
    if (!m_state.compare_exchange_strong(state, taken, std::memory_order_acq_rel)) return false;
    spare.read.store(frame - start, kRelease);
    return true;
}

bool PlaybackFeed::Seek(std::uint64_t frame) {
    if (Land(frame)) return true;
    bool moved = true;
    {
        const std::lock_guard writing(m_writingCurrent);
        Reader& reader = Current();
        const std::uint64_t start = reader.start.load(kRelaxed);
        const std::uint64_t written = reader.written.load(kAcquire);
        // The ring still holds what was read lately (a tempo change reads the last moments
        // again).
        const std::uint64_t oldest =
            start + (written > m_qwRingFrames ? written - m_qwRingFrames : 0);
        if (frame >= oldest && frame <= start + written) {
            reader.read.store(frame - start, kRelease);
        } else {
            moved = reader.decoder->Seek(frame);
            reader.Reset(reader.decoder->Position());
            // The first blocks from there, before the thread takes over again.
            Fill(reader, kStartFrames);
        }
    }
    // The thread is not woken: a jump seeks from the producer, which must not meet the lock a
    // wake-up takes; the thread looks again within kLookAgain.
    return moved;
}

void PlaybackFeed::Aim(std::uint64_t frame) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_qwAim == frame) return;
        m_qwAim = frame;
        m_qwFailedAim = UINT64_MAX;
    }
    m_changed.notify_all();
}

}  // namespace audio::detail
