// The DSP procedures and effects of one channel, run in priority order (higher first, equal
// priorities in the order they were set) on every buffer the channel produces. Equaliser bands
// that follow one another run in float and are rounded to 16 bits once, after the last of them;
// a DSP procedure between them gets (and hands back) 16-bit samples, as the API promises.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
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
    std::vector<DWORD> Handles() const;

    // Runs every entry over `frames` frames in place; `channel` is passed to DSP procedures.
    // Entries may be removed from inside a procedure.
    void Run(DWORD channel, std::int16_t* samples, int frames, int channels);

private:
    struct Entry {
        DWORD handle = 0;
        int priority = 0;
        DSPPROC* proc = nullptr;
        void* user = nullptr;
        std::unique_ptr<ParamEq> eq;
        bool removed = false;
    };
    void Insert(Entry entry);
    // Runs the equaliser bands from m_entries[first] on (up to the next DSP procedure) over the
    // samples; returns the index of the first entry after them.
    std::size_t RunEqBands(std::size_t first, std::int16_t* samples, int frames, int channels);

    // Float samples of one stretch of the buffer, so that a chain of bands never allocates.
    static constexpr int kScratchSamples = 4096;
    static constexpr std::size_t kBandBatch = 16;
    std::array<float, kScratchSamples> m_scratch{};

    std::vector<Entry> m_entries;
    int m_running = 0;
};

}  // namespace audio::detail
