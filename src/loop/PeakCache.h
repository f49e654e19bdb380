#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "audio/Audio.h"

// One 20 ms reading of a song: where it starts (bytes of 16-bit PCM of the song, as its decoding
// and playback streams count them) and its peaks as ChannelGetLevel gives them (left in the low
// word, right in the high word, each 0..32768; 0 for a reading that failed).
struct PeakStep {
    audio::QWORD start = 0;
    audio::DWORD level = 0;
};

// A song's 20 ms peak levels, read once from its own decoding stream on a background thread.
//
// Threads: Start, Stop and the destructor belong to one owner thread (the user-interface thread),
// which may read State and Steps at any time without waiting: the reader thread fills a vector
// sized from the song's length before it starts and publishes each finished step through an
// atomic count, so the steps handed out never change afterwards. Nothing here blocks the owner
// except Stop's join, which waits at most for one reading, or for the few packets an opening
// reads before it notices it is called off. Once the state is final the reader's decoder is
// freed, and with it its file.
class CPeakCache {
public:
    enum class State {
        Empty,     // no song started
        Opening,   // the reader is opening the song: no steps yet, the length unknown
        Reading,   // steps arrive
        Complete,  // every step of the song is there (or the decoder ended early)
        Failed,    // the song could not be opened: no steps at all
        Stopped,   // stopped before the end: the steps read so far stay
    };

    CPeakCache() = default;
    ~CPeakCache();
    CPeakCache(const CPeakCache&) = delete;
    CPeakCache& operator=(const CPeakCache&) = delete;

    // Stops any song in progress, then starts reading the song at `path` (UTF-8) on a new thread:
    // a file stream decoder, or a tracker module decoder when that fails.
    void Start(const std::string& path);
    // Cancels the reading and waits for the thread, which frees its decoder before it ends.
    // Returns promptly; the steps read so far stay readable. Nothing when none runs.
    void Stop();

    State GetState() const;
    // True once nothing more will arrive (Complete, Failed or Stopped).
    bool IsFinal() const;
    // The steps read so far, in order of their start.
    std::span<const PeakStep> Steps() const;
    const std::string& Path() const { return m_strPath; }

private:
    // What the reader thread shares with the owner; it outlives neither.
    struct Shared {
        std::atomic<State> state{State::Opening};
        std::vector<PeakStep> steps;  // sized once by the reader before state becomes Reading
        std::atomic<std::size_t> finished{0};
    };
    static void Read(std::stop_token stop, Shared& shared, std::string path);
    // Fills shared.steps from the decoder; the state to end in.
    static State ReadSteps(const std::stop_token& stop, Shared& shared, audio::HSTREAM decoder);

    std::string m_strPath;
    std::unique_ptr<Shared> m_shared;
    std::jthread m_thread;
};
