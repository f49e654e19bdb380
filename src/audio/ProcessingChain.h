// The DSP procedures and effects of one channel, run in priority order (higher first, equal
// priorities in the order they were set) on every buffer the channel produces. Equaliser bands
// that follow one another run in float and are rounded to 16 bits once, after the last of them;
// a DSP procedure between them gets (and hands back) 16-bit samples, as the API promises. Taps
// then receive the processed buffer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "audio/Audio.h"
#include "audio/ParamEq.h"

namespace audio::detail {

class ProcessingChain {
public:
    void AddDsp(HDSP handle, DSPPROC* proc, void* user, int priority);
    void AddEq(HFX handle, int priority, int sampleRate, int channels);
    bool Remove(DWORD handle);
    ParamEq* FindEq(HFX handle);
    // A tap receives every buffer after the DSPs and effects, in order: the attachment point
    // for encoders fed by a channel.
    using PcmTap = std::function<void(const std::int16_t* samples, int frames)>;
    void AddTap(DWORD handle, PcmTap tap) { m_taps.push_back({handle, std::move(tap)}); }
    bool RemoveTap(DWORD handle);
    std::vector<DWORD> Handles() const;  // every DSP, effect and tap

    // Runs every entry over `frames` frames in place, then the taps; `channel` is passed to DSP
    // procedures. A procedure may set or remove entries: one set during a run takes part from
    // the next run on, and every entry runs at most once per run.
    void Run(DWORD channel, std::int16_t* samples, int frames, int channels);

private:
    struct Entry {
        DWORD handle = 0;
        int priority = 0;
        DSPPROC* proc = nullptr;
        void* user = nullptr;
        std::unique_ptr<ParamEq> eq;
        bool removed = false;
        std::uint64_t serial = 0;  // order of setting: tells entries set during a run
    };
    void Insert(Entry entry);
    // Passed over by a run that began before `runSerial` was given out.
    static bool Skipped(const Entry& e, std::uint64_t runSerial) {
        return e.removed || e.serial >= runSerial;
    }
    // Runs the equaliser bands from m_entries[first] on (up to the next DSP procedure) over the
    // samples; returns the index of the first entry after them.
    std::size_t RunEqBands(std::size_t first, std::uint64_t runSerial, std::int16_t* samples,
                           int frames, int channels);

    // Float samples of one stretch of the buffer, so that a chain of bands never allocates.
    static constexpr int kScratchSamples = 4096;
    static constexpr std::size_t kBandBatch = 16;
    std::array<float, kScratchSamples> m_scratch{};

    std::vector<Entry> m_entries;
    std::vector<std::pair<DWORD, PcmTap>> m_taps;
    std::uint64_t m_nextSerial = 0;
    int m_running = 0;
};

}  // namespace audio::detail
