// The syncs of one channel on its timeline, and where the reading stands against them: the
// position whose syncs have fired (a read that stays there fires them once), whether the end's
// have, and a sync to fire at the next read wherever the position then is (a catch-up).
#pragma once

#include <cstdint>
#include <vector>

#include "audio/Audio.h"

namespace audio::detail {

class SyncTimeline {
public:
    struct Sync {
        HSYNC handle = 0;
        DWORD type = 0;  // SYNC_POS or SYNC_END
        bool mixtime = false;
        bool oneTime = false;
        std::uint64_t frame = 0;  // SYNC_POS: first frame at or after the byte position
        SYNCPROC* proc = nullptr;
        void* user = nullptr;
    };

    // `type` with its SYNC_MIXTIME and SYNC_ONETIME flags; `param` in bytes of `frameBytes`.
    void Add(HSYNC handle, DWORD type, QWORD param, int frameBytes, SYNCPROC* proc, void* user);
    bool Remove(HSYNC handle);
    // The sync if it is a mix-time position sync, else nullptr.
    const Sync* FindMixtimePosition(HSYNC handle) const;
    void AppendHandles(std::vector<DWORD>& handles) const;
    // The first position sync's frame after `frame` (UINT64_MAX: none): where a read must stop.
    std::uint64_t NextAfter(std::uint64_t frame) const;

    // The reading was moved: the syncs where it lands, and those of the end, fire again.
    void Rewind() {
        m_firedAt = UINT64_MAX;
        m_bEndFired = false;
    }
    // Frames were read: the position reached next is a new arrival.
    void Advanced() { m_firedAt = UINT64_MAX; }
    // Adds to `due` the syncs at `position` unless they fired since it was reached; true when
    // this is a new arrival there.
    bool TakeAt(std::uint64_t position, std::vector<Sync>& due);
    // Adds to `due` the end's syncs, once per arrival at the end; true when this is one.
    bool TakeEnd(std::vector<Sync>& due);
    // Whether a position sync at `frame`, already read (`readTo` is the frame read next), is
    // to fire now: not when it was heard well before `heard` (its turn comes on the next pass).
    // A frame heard within `justHeard` frames counts as now: the position was read a moment ago.
    static bool CatchUpNow(std::uint64_t frame, std::uint64_t heard, std::uint64_t readTo,
                           std::uint64_t justHeard) {
        return frame + justHeard >= heard && frame < readTo;
    }
    bool HasDue() const { return m_due != 0; }
    void MarkDue(HSYNC handle) { m_due = handle; }
    void ClearDue() { m_due = 0; }
    // Adds to `due` the sync marked due, and clears the mark.
    void TakeDue(std::vector<Sync>& due);

private:
    std::vector<Sync> m_syncs;
    std::uint64_t m_firedAt = UINT64_MAX;  // syncs already fired here, nothing read since
    bool m_bEndFired = false;
    HSYNC m_due = 0;
};

}  // namespace audio::detail
