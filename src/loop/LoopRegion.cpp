#include "loop/LoopRegion.h"

LoopRegion g_loopRegion;

void LoopSyncProc(audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
    if (!audio::ChannelSetPosition(channel, g_loopRegion.qwStartPoint.load()))
        audio::ChannelSetPosition(channel, 0);
}
