#include "audio/SyncTimeline.h"

#include <algorithm>

namespace audio::detail {

void SyncTimeline::Add(HSYNC handle, DWORD type, QWORD param, int frameBytes, SYNCPROC* proc,
                       void* user) {
    Sync s;
    s.handle = handle;
    s.type = type & ~(SYNC_MIXTIME | SYNC_ONETIME);
    s.mixtime = (type & SYNC_MIXTIME) != 0;
    s.oneTime = (type & SYNC_ONETIME) != 0;
    s.frame = (param + frameBytes - 1) / frameBytes;
    s.proc = proc;
    s.user = user;
    m_syncs.push_back(s);
}

bool SyncTimeline::Remove(HSYNC handle) {
    if (m_due == handle) m_due = 0;
    return std::erase_if(m_syncs, [&](const Sync& s) { return s.handle == handle; }) > 0;
}

const SyncTimeline::Sync* SyncTimeline::FindMixtimePosition(HSYNC handle) const {
    for (const Sync& s : m_syncs)
        if (s.handle == handle) return s.type == SYNC_POS && s.mixtime ? &s : nullptr;
    return nullptr;
}

void SyncTimeline::AppendHandles(std::vector<DWORD>& handles) const {
    for (const Sync& s : m_syncs) handles.push_back(s.handle);
}

std::uint64_t SyncTimeline::NextAfter(std::uint64_t frame) const {
    std::uint64_t next = UINT64_MAX;
    for (const Sync& s : m_syncs)
        if (s.type == SYNC_POS && s.frame > frame) next = std::min(next, s.frame);
    return next;
}

bool SyncTimeline::TakeAt(std::uint64_t position, std::vector<Sync>& due) {
    if (position == m_firedAt) return false;
    m_firedAt = position;
    for (const Sync& s : m_syncs)
        if (s.type == SYNC_POS && s.frame == position) due.push_back(s);
    return true;
}

bool SyncTimeline::TakeEnd(std::vector<Sync>& due) {
    if (m_bEndFired) return false;
    m_bEndFired = true;
    for (const Sync& s : m_syncs)
        if (s.type == SYNC_END) due.push_back(s);
    return true;
}

void SyncTimeline::TakeDue(std::vector<Sync>& due) {
    for (const Sync& s : m_syncs)
        if (s.handle == m_due) due.push_back(s);
    m_due = 0;
}

}  // namespace audio::detail
