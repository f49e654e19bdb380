#include "audio/ProcessingChain.h"

#include <algorithm>

namespace audio::detail {

void ProcessingChain::Insert(Entry entry) {
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

std::vector<DWORD> ProcessingChain::Handles() const {
    std::vector<DWORD> handles;
    for (const Entry& e : m_entries)
        if (!e.removed) handles.push_back(e.handle);
    return handles;
}

void ProcessingChain::Run(DWORD channel, std::int16_t* samples, int frames, int channels) {
    if (frames <= 0 || m_entries.empty()) return;
    ++m_running;
    // Indexes, not iterators: a procedure may set another DSP (appended) or remove one (marked).
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].removed) continue;
        if (m_entries[i].eq) {
            m_entries[i].eq->Process(samples, frames);
        } else {
            Entry& e = m_entries[i];
            e.proc(e.handle, channel, samples,
                   static_cast<DWORD>(frames) * static_cast<DWORD>(channels) * 2, e.user);
        }
    }
    if (--m_running == 0) std::erase_if(m_entries, [](const Entry& e) { return e.removed; });
}

}  // namespace audio::detail
