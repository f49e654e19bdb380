#include "export/SegmentRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>

#include "audio/LikenessCrossfade.h"

namespace {
constexpr int kFadeMs = 5;
constexpr int kSearchMs = 5;
// Output frames rendered before a segment's start beyond what the crossfade and its search need.
constexpr std::size_t kOverlapSpare = 4096;
}  // namespace

SegmentRender::SegmentRender(StreamMaker make, const Region& region, std::uint64_t segmentFrames)
    : m_make(std::move(make)),
      m_region(region),
      m_segmentFrames(std::max<std::uint64_t>(segmentFrames, 1)),
      // The last segment takes what is left over beyond whole segments.
      m_segments(static_cast<std::size_t>(std::max<std::uint64_t>(
          1, (region.end - std::min(region.end, region.start)) / m_segmentFrames))),
      m_fadeFrames(std::max(1, region.rate * kFadeMs / 1000)),
      m_searchFrames(region.rate * kSearchMs / 1000),
      // Enough before a segment's start for the crossfade from the one before, shifted either way.
      m_overlapSource(static_cast<std::uint64_t>(
          std::ceil((m_fadeFrames + m_searchFrames + kOverlapSpare) * region.inputPerOutput))),
      // The classic engine starts afresh where its stream is moved, as a new one would, and
      // a new one costs as much again as the rest of its segment's set-up (its buffers made
      // and cleared). A Rubber Band engine moved on starts its next segment with a dip, so
      // it is made anew.
      m_bMoveStreams(audio::GetConfig(audio::CONFIG_STRETCHER) == audio::STRETCHER_SOUNDTOUCH) {}

SegmentRender::~SegmentRender() {
    Stop();
}

bool SegmentRender::Start() {
    try {
        for (std::size_t t = 0; t < m_threads.size(); ++t)
            m_threads[t] = std::thread(&SegmentRender::Work, this, t);
    } catch (const std::system_error&) {
        Stop();
        return false;
    }
    return true;
}

void SegmentRender::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        if (thread.joinable()) thread.join();
}

std::uint64_t SegmentRender::SegmentStart(std::size_t index) const {
    return index >= m_segments ? m_region.end : m_region.start + index * m_segmentFrames;
}

void SegmentRender::Work(std::size_t first) {
    // Made for one segment and freed after it, or kept and moved on to the next one.
    audio::HSTREAM stream = 0;
    for (std::size_t index = first; index < m_segments; index += m_threads.size()) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopped || index < m_current + kSlots; });
            if (m_stopped) return;
            // The segment that held the slot has been read: the slot is this one's from now on.
            Segment& segment = Slot(index);
            segment.index = index;
            segment.started = segment.done = segment.failed = false;
            segment.frames = 0;
            segment.marks.clear();
        }
        Render(index, Slot(index), stream);
        if (stream && !m_bMoveStreams) {
            audio::StreamFree(stream);
            stream = 0;
        }
        {
            std::lock_guard lock(m_mutex);
            Slot(index).done = true;
        }
        m_changed.notify_all();
    }
    if (stream) audio::StreamFree(stream);
}

void SegmentRender::Render(std::size_t index, Segment& segment, audio::HSTREAM& stream) {
    const auto channels = static_cast<std::size_t>(m_region.channels);
    const auto frameBytes = static_cast<std::uint64_t>(channels) * 2;
    const std::uint64_t start = SegmentStart(index);
    const std::uint64_t from = index == 0 ? start : start - std::min(start, m_overlapSource);
    const std::uint64_t until = SegmentStart(index + 1);
    const std::size_t blockFrames = m_region.blockBytes / frameBytes;
    // What the stream makes of [from, until), its last block whole, and a second to spare: the
    // buffer is never grown while the reader reads from it.
    const auto capacity =
        static_cast<std::size_t>(std::ceil(double(until - from) / m_region.inputPerOutput) +
                                 2 * blockFrames + m_region.rate);
    segment.samples.resize(capacity * channels);
    if (!stream) stream = m_make();
    const bool failed = !stream || !audio::ChannelSetPosition(stream, from * frameBytes);
    {
        std::lock_guard lock(m_mutex);
        segment.started = true;
        segment.failed = failed;
    }
    if (failed) {
        if (stream) audio::StreamFree(stream);
        stream = 0;
        return;
    }
    std::size_t frames = 0;  // this thread's copy of segment.frames
    for (;;) {
        const std::uint64_t position = audio::ChannelGetPosition(stream) / frameBytes;
        {
            std::lock_guard lock(m_mutex);
            segment.marks.emplace_back(frames, position);
            if (m_stopped) break;
        }
        if (position >= until || audio::ChannelIsActive(stream) == audio::ACTIVE_STOPPED ||
            frames + blockFrames > capacity)
            break;
        // Past the frames published: the reader does not read there.
        const audio::DWORD got =
            audio::ChannelGetData(stream, &segment.samples[frames * channels],
                                  static_cast<audio::DWORD>(blockFrames * frameBytes));
        // An error is not a count, and a stream that gives nothing has nothing more to give.
        const std::size_t kept =
            got == audio::DWORD(-1) ? 0 : std::min<std::size_t>(got / frameBytes, blockFrames);
        if (kept == 0) break;
        frames += kept;
        {
            std::lock_guard lock(m_mutex);
            segment.frames = frames;
        }
        m_changed.notify_all();
    }
}

std::size_t SegmentRender::FrameFor(const Segment& segment, std::uint64_t source) const {
    const auto& marks = segment.marks;
    const auto after = std::find_if(marks.begin(), marks.end(),
                                    [&](const auto& mark) { return mark.second >= source; });
    if (after == marks.begin()) return marks.empty() ? 0 : static_cast<std::size_t>(after->first);
    if (after == marks.end()) return segment.frames;
    const auto& [out0, in0] = *(after - 1);
    const auto& [out1, in1] = *after;
    const double share = in1 > in0 ? double(source - in0) / double(in1 - in0) : 0.0;
    return static_cast<std::size_t>(std::llround(double(out0) + share * double(out1 - out0)));
}

bool SegmentRender::Covers(const Segment& segment, std::uint64_t source, std::size_t beyond) const {
    if (segment.done) return true;
    return !segment.marks.empty() && segment.marks.back().second >= source &&
           segment.frames >= FrameFor(segment, source) + beyond;
}

std::size_t SegmentRender::Readable(const Segment& segment) {
    const bool last = m_current + 1 >= m_segments;
    if (segment.done) {
        if (!m_stopAtKnown) {
            // Where the crossfade into the next segment begins, or the end of the last.
            const std::size_t meet =
                last ? segment.frames : FrameFor(segment, SegmentStart(m_current + 1));
            const std::size_t fade = last ? 0 : static_cast<std::size_t>(m_fadeFrames);
            m_stopAt = std::clamp(meet - std::min(meet, fade), m_position, segment.frames);
            m_stopAtKnown = true;
        }
        return m_stopAt;
    }
    if (last) return segment.frames;
    // While it is rendered: up to the last block that began well before the crossfade.
    const std::uint64_t join = SegmentStart(m_current + 1);
    const auto guard = static_cast<std::uint64_t>(std::ceil((m_fadeFrames + m_searchFrames + 1) *
                                                            m_region.inputPerOutput)) +
                       1;
    std::size_t readable = m_position;
    for (const auto& [out, in] : segment.marks) {
        if (in + guard > join) break;
        readable = std::max<std::size_t>(readable, out);
    }
    return std::min(readable, segment.frames);
}

std::size_t SegmentRender::Read(char* dst, std::size_t bytes) {
    const auto channels = static_cast<std::size_t>(m_region.channels);
    const std::size_t wanted = bytes / (2 * channels);
    std::size_t done = 0;
    auto copy = [&](const std::int16_t* from, std::size_t frames) {
        std::memcpy(dst + done * 2 * channels, from, frames * 2 * channels);
        done += frames;
    };
    const auto holds = [this](std::size_t index) {
        const Segment& segment = Slot(index);
        return segment.index == index && segment.started;
    };
    std::unique_lock lock(m_mutex);
    while (done < wanted && !m_stopped) {
        if (m_fadeRead < m_fade.size() / channels) {
            const std::size_t n = std::min(wanted - done, m_fade.size() / channels - m_fadeRead);
            copy(&m_fade[m_fadeRead * channels], n);
            m_fadeRead += n;
            continue;
        }
        if (!holds(m_current)) {
            m_changed.wait(lock);
            continue;
        }
        const Segment& segment = Slot(m_current);
        if (segment.failed) break;
        const std::size_t readable = Readable(segment);
        if (m_position < readable) {
            const std::size_t n = std::min(wanted - done, readable - m_position);
            copy(&segment.samples[m_position * channels], n);
            m_position += n;
            continue;
        }
        if (!segment.done) {
            m_changed.wait(lock);
            continue;
        }
        if (m_current + 1 >= m_segments) break;
        // The next segment's head, up to where the crossfade may end, must be there.
        const std::size_t next = m_current + 1;
        if (!holds(next) ||
            (!Slot(next).failed &&
             !Covers(Slot(next), SegmentStart(next), static_cast<std::size_t>(m_searchFrames)))) {
            m_changed.wait(lock);
            continue;
        }
        if (Slot(next).failed) break;
        Join(lock);
    }
    return done * 2 * channels;
}

void SegmentRender::Join(std::unique_lock<std::mutex>&) {
    const auto c = static_cast<std::size_t>(m_region.channels);
    const Segment& from = Slot(m_current);
    const Segment& to = Slot(m_current + 1);
    const std::size_t fromFrames = from.frames, toFrames = to.frames;
    const std::size_t meet = FrameFor(to, SegmentStart(m_current + 1));
    const std::size_t fade = std::min<std::size_t>(
        {static_cast<std::size_t>(m_fadeFrames), fromFrames - m_stopAt, meet});
    const std::int16_t* a = from.samples.data() + m_stopAt * c;

    // Where the next segment's audio matches this one's best, within the search either way.
    std::size_t best = meet - fade;
    double likeness = 0;
    double ea = 0;
    for (std::size_t i = 0; i < fade * c; ++i) ea += double(a[i]) * a[i];
    const long search = m_searchFrames;
    for (long d = -search; d <= search; ++d) {
        const long b = static_cast<long>(meet - fade) + d;
        if (b < 0 || static_cast<std::size_t>(b) + fade > toFrames) continue;
        const std::int16_t* s = to.samples.data() + static_cast<std::size_t>(b) * c;
        double dot = 0, eb = 0;
        for (std::size_t i = 0; i < fade * c; ++i) {
            dot += double(a[i]) * s[i];
            eb += double(s[i]) * s[i];
        }
        const double r = ea > 0 && eb > 0 ? dot / std::sqrt(ea * eb) : 0;
        if (r > likeness + 1e-9) {
            likeness = r;
            best = static_cast<std::size_t>(b);
        }
    }

    m_fade.resize(fade * c);
    audio::detail::LikenessCrossfade(a, to.samples.data() + best * c, m_fade.data(),
                                     static_cast<int>(fade), m_region.channels, likeness);
    m_fadeRead = 0;
    ++m_current;
    m_position = best + fade;
    m_stopAtKnown = false;
    m_changed.notify_all();  // a slot is free for the next segment
}
