#include "loop/LoopRegion.h"

LoopRegion g_loopRegion;

void LoopSyncProc(audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
    if (!audio::ChannelSetPosition(channel, g_loopRegion.qwStartPoint.load()))
        audio::ChannelSetPosition(channel, 0);
    const int tempo = g_loopRegion.nTempoAtNextJump.exchange(0);
    if (const int beats = g_loopRegion.nCountInAtNextJump.exchange(0); beats > 0) {
        // Counted at the tempo of the pass to come; before that tempo is set, so that the pass
        // before ends at its own.
        float now = 0;
        const double factor =
            tempo > 0 ? tempo / 100.0
                      : (audio::FX_TempoGet(channel, &now, nullptr, nullptr) ? 1 + now / 100.0 : 1);
        audio::FX_TempoCountIn(channel, static_cast<audio::DWORD>(beats),
                               60.0 / (g_loopRegion.dCountInBpm.load() * factor));
    }
    if (tempo > 0) audio::FX_TempoSet(channel, static_cast<float>(tempo - 100), 0, -100);
    g_loopRegion.nJumps.fetch_add(1);
}
