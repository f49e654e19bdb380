#include "loop/LoopRegion.h"

LoopRegion g_loopRegion;

void LoopSyncProc(audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
    if (!audio::ChannelSetPosition(channel, g_loopRegion.qwStartPoint.load()))
        audio::ChannelSetPosition(channel, 0);
    if (const int tempo = g_loopRegion.nTempoAtNextJump.exchange(0); tempo > 0)
        audio::FX_TempoSet(channel, static_cast<float>(tempo - 100), 0, -100);
    g_loopRegion.nJumps.fetch_add(1);
}
