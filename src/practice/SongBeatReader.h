// A song's beat, found on a thread of its own once the song is loaded, from its own decoding
// stream (as the waveform's levels are read). Starting another song stops the search for the
// last one, so a late result never shows on the wrong song.
//
// Threads: Start, Stop and the destructor belong to the user-interface thread, which may ask
// IsDone and Bpm at any time without waiting; Stop waits at most for one block of decoding.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

class CSongBeatReader {
public:
    CSongBeatReader() = default;
    ~CSongBeatReader();
    CSongBeatReader(const CSongBeatReader&) = delete;
    CSongBeatReader& operator=(const CSongBeatReader&) = delete;

    // Stops any search in progress and starts one for the song at `path` (UTF-8).
    void Start(const std::string& path);
    void Stop();
    // True once the search has ended, with or without a beat (never before a Start).
    bool IsDone() const;
    // The song's beat in beats per minute at its own tempo; none before the search is done, or
    // when the song has no steady beat.
    std::optional<double> Bpm() const;

private:
    struct Shared {
        std::atomic<bool> done{false};
        std::atomic<double> bpm{0};  // 0: none
    };
    static void Read(std::stop_token stop, Shared& shared, std::string path);

    std::unique_ptr<Shared> m_shared;
    std::jthread m_thread;
};
