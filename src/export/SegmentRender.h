// A long save stretched on both cores. A stretch engine works on one core, so the region is cut
// into segments, and two threads each stretch every other segment with a tempo stream of their
// own (the song decoded again, with the save's settings, the layer's engine). The reader puts the
// segments back in order, each as it is rendered: each is rendered from a little before its start,
// and where one meets the next a crossfade of a few milliseconds goes over from one to the other,
// shifted to where the two match best (two engines never place a held note in the same phase). A
// thread waits while its segment would be more than two ahead of the one read, so memory stays
// bounded however long the song.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Audio.h"

class SegmentRender {
public:
    // A tempo stream of the song with the save's settings, to be positioned and read; 0 when it
    // could not be made.
    using StreamMaker = std::function<audio::HSTREAM()>;

    struct Region {
        std::uint64_t start, end;  // source frames
        int rate, channels;
        double inputPerOutput;   // source frames per output frame at the save's tempo
        std::size_t blockBytes;  // read at a time, as one stream would be read: the last whole
    };

    SegmentRender(StreamMaker make, const Region& region, std::uint64_t segmentFrames);
    ~SegmentRender();
    SegmentRender(const SegmentRender&) = delete;
    SegmentRender& operator=(const SegmentRender&) = delete;

    // Whether a region is long enough to be worth cutting: two segments at least.
    static bool Worthwhile(const Region& region, std::uint64_t segmentFrames) {
        return region.end > region.start && region.end - region.start >= 2 * segmentFrames;
    }
    // Starts both threads; false when they could not be started (nothing is rendered then).
    bool Start();
    // Copies the next frames of the joined output to `dst` (16-bit interleaved), waiting for them;
    // 0 at the end of the region, after a stream failed, or once stopped.
    std::size_t Read(char* dst, std::size_t bytes);
    // Ends the threads; a Read waiting returns 0.
    void Stop();

private:
    // A segment as it is rendered: its thread writes samples beyond `frames` and publishes them,
    // the marks too, under the lock; the reader reads what was published, while it is rendered.
    struct Segment {
        std::vector<std::int16_t> samples;  // sized before rendering, never grown after
        std::size_t frames = 0;
        // At the start of each block read, and at the end: (output frame, source frame).
        std::vector<std::pair<std::uint64_t, std::uint64_t>> marks;
        std::size_t index = 0;  // which segment the slot holds
        bool started = false;   // its stream is open (or failed to be)
        bool done = false;
        bool failed = false;
    };
    static constexpr int kSlots = 3;  // the segment read and the two ahead of it

    void Work(std::size_t first);
    // Renders segment `index` with `stream` (made when 0, freed and set to 0 when it fails).
    void Render(std::size_t index, Segment& segment, audio::HSTREAM& stream);
    std::uint64_t SegmentStart(std::size_t index) const;
    // Output frame of `segment` standing for source frame `source`, from its marks so far.
    std::size_t FrameFor(const Segment& segment, std::uint64_t source) const;
    // Whether `segment` has output for source frame `source` and `beyond` frames after it.
    bool Covers(const Segment& segment, std::uint64_t source, std::size_t beyond) const;
    // How far the reader may read the segment being read (m_current), as it stands.
    std::size_t Readable(const Segment& segment);
    Segment& Slot(std::size_t index) { return m_slots[index % kSlots]; }
    // Crossfades from the segment read into the next one and goes on in that one.
    void Join(std::unique_lock<std::mutex>& lock);

    const StreamMaker m_make;
    const Region m_region;
    const std::uint64_t m_segmentFrames;
    const std::size_t m_segments;
    const int m_fadeFrames;
    const int m_searchFrames;
    const std::uint64_t m_overlapSource;  // source frames rendered beyond either end of a segment
    const bool m_bMoveStreams;            // a thread's stream goes on from segment to segment

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<Segment, kSlots> m_slots;
    bool m_stopped = false;
    std::size_t m_current = 0;   // segment being read
    std::size_t m_position = 0;  // its next frame to read
    std::size_t m_stopAt = 0;    // where it meets the next (its size for the last)
    bool m_stopAtKnown = false;
    std::vector<std::int16_t> m_fade;  // a made crossfade, still to be read
    std::size_t m_fadeRead = 0;
    std::array<std::thread, 2> m_threads;
};
