#include "audio/ProcessingChain.h"

#include <algorithm>
#include <cmath>

namespace audio::detail {

void ProcessingChain::Insert(Entry entry) {
    entry.serial = m_nextSerial++;
    auto at = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const Entry& e) { return e.priority < entry.priority; });
    m_entries.insert(at, std::move(entry));
}

void ProcessingChain::AddDsp(HDSP handle, DSPPROC* proc, void* user, int priority) {
    Entry e;
    e.handle = handle;
    e.priority = priority;
    e.proc = proc;
    e.user = user;
    Insert(std::move(e));
}

void ProcessingChain::AddEq(HFX handle, int priority, int sampleRate, int channels) {
    Entry e;
    e.handle = handle;
    e.priority = priority;
    e.eq = std::make_unique<ParamEq>(sampleRate, channels);
    Insert(std::move(e));
}

bool ProcessingChain::Remove(DWORD handle) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const Entry& e) { return e.handle == handle && !e.removed; });
    if (it == m_entries.end()) return false;
    if (m_running)
        it->removed = true;  // erased once the run is over
    else
        m_entries.erase(it);
    return true;
}

ParamEq* ProcessingChain::FindEq(HFX handle) {
    for (Entry& e : m_entries)
        if (e.handle == handle && !e.removed) return e.eq.get();
    return nullptr;
}

bool ProcessingChain::RemoveTap(DWORD handle) {
    return std::erase_if(m_taps, [&](const auto& tap) { return tap.first == handle; }) > 0;
}

std::vector<DWORD> ProcessingChain::Handles() const {
    std::vector<DWORD> handles;
    for (const Entry& e : m_entries)
        if (!e.removed) handles.push_back(e.handle);
    for (const auto& tap : m_taps) handles.push_back(tap.first);
    return handles;
}

std::size_t ProcessingChain::RunEqBands(std::size_t first, std::uint64_t runSerial,
                                        std::int16_t* samples, int frames, int channels) {
    std::size_t end = first;
    while (end < m_entries.size() && (m_entries[end].eq || Skipped(m_entries[end], runSerial)))
        ++end;
    const int chunkFrames = std::max(1, kScratchSamples / std::max(channels, 1));
    for (int done = 0; done < frames; done += chunkFrames) {
        const int n = std::min(chunkFrames, frames - done);
        const std::size_t count = static_cast<std::size_t>(n) * channels;
        std::int16_t* block = samples + static_cast<std::size_t>(done) * channels;
        for (std::size_t k = 0; k < count; ++k) m_scratch[k] = block[k];
        // The bands in batches on the stack: a chain of them never allocates.
        std::array<ParamEq*, kBandBatch> bands;
        std::size_t batched = 0;
        for (std::size_t i = first; i < end; ++i) {
            if (Skipped(m_entries[i], runSerial)) continue;
            bands[batched++] = m_entries[i].eq.get();
            if (batched == bands.size()) {
                ParamEq::ProcessCascade(bands.data(), batched, m_scratch.data(), n);
                batched = 0;
            }
        }
        if (batched > 0) ParamEq::ProcessCascade(bands.data(), batched, m_scratch.data(), n);
        for (std::size_t k = 0; k < count; ++k) {
            // Half away from zero, inline: a library call per sample costs as much as a band.
            const float y = std::clamp(m_scratch[k], -32768.0f, 32767.0f);
            block[k] = static_cast<std::int16_t>(y + (y < 0 ? -0.5f : 0.5f));
        }
    }
    return end;
}

void ProcessingChain::Run(DWORD channel, std::int16_t* samples, int frames, int channels) {
    if (frames <= 0) return;
    ++m_running;
    const std::uint64_t runSerial = m_nextSerial;
    // Indexes, not iterators: a procedure may set another DSP (inserted by its priority, before
    // or after the one running) or remove one (marked). The one running is found again by its
    // serial, and entries set since the run began are passed over.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (Skipped(m_entries[i], runSerial)) continue;
        if (m_entries[i].eq) {
            i = RunEqBands(i, runSerial, samples, frames, channels) - 1;
            continue;
        }
        const Entry& e = m_entries[i];
        const std::uint64_t running = e.serial;
        e.proc(e.handle, channel, samples,
               static_cast<DWORD>(frames) * static_cast<DWORD>(channels) * 2, e.user);
        while (m_entries[i].serial != running) ++i;
    }
    if (--m_running == 0) std::erase_if(m_entries, [](const Entry& e) { return e.removed; });
    for (const auto& tap : m_taps) tap.second(samples, frames);
}

}  // namespace audio::detail
