// The DSP procedures and effects of one channel, run in priority order (higher first, equal
// priorities in the order they were set) on every buffer the channel produces.
#pragma once

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

    std::vector<Entry> m_entries;
    int m_running = 0;
};

}  // namespace audio::detail
