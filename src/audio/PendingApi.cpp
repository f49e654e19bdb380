// Operations whose implementation has not landed yet: each fails honestly with ERROR_NOTAVAIL.
#include "audio/Audio.h"
#include "audio/ErrorState.h"

namespace audio {

using detail::Fail;

DWORD GetVersion() { return VERSION; }
BOOL Init(int, DWORD, DWORD, void*, const void*) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL Free() { return Fail(ERROR_NOTAVAIL, 0); }
HPLUGIN PluginLoad(const char*, DWORD) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL SetConfig(DWORD, DWORD) { return Fail(ERROR_NOTAVAIL, 0); }
DWORD GetConfig(DWORD) { return Fail(ERROR_NOTAVAIL, DWORD(-1)); }
HSTREAM StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) { return Fail(ERROR_NOTAVAIL, 0u); }
HSTREAM MP4_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) {
    return Fail(ERROR_NOTAVAIL, 0u);
}
HSTREAM WMA_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) {
    return Fail(ERROR_NOTAVAIL, 0u);
}
HMUSIC MusicLoad(BOOL, const void*, QWORD, DWORD, DWORD, DWORD) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL StreamFree(HSTREAM) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL MusicFree(HMUSIC) { return Fail(ERROR_NOTAVAIL, 0); }
HSTREAM FX_TempoCreate(DWORD, DWORD) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL FX_TempoSet(HSTREAM, float, float, float) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL FX_TempoGet(HSTREAM, float*, float*, float*) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL FX_TempoSetOption(HSTREAM, DWORD, DWORD) { return Fail(ERROR_NOTAVAIL, 0); }
DWORD FX_TempoGetSource(HSTREAM) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL ChannelPlay(DWORD, BOOL) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL ChannelPause(DWORD) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL ChannelStop(DWORD) { return Fail(ERROR_NOTAVAIL, 0); }
DWORD ChannelIsActive(DWORD) { return Fail(ERROR_NOTAVAIL, ACTIVE_STOPPED); }
QWORD ChannelGetPosition(DWORD) { return Fail(ERROR_NOTAVAIL, QWORD(-1)); }
BOOL ChannelSetPosition(DWORD, QWORD) { return Fail(ERROR_NOTAVAIL, 0); }
QWORD ChannelGetLength(DWORD) { return Fail(ERROR_NOTAVAIL, QWORD(-1)); }
double ChannelBytes2Seconds(DWORD, QWORD) { return Fail(ERROR_NOTAVAIL, -1.0); }
QWORD ChannelSeconds2Bytes(DWORD, double) { return Fail(ERROR_NOTAVAIL, QWORD(-1)); }
DWORD ChannelGetData(DWORD, void*, DWORD) { return Fail(ERROR_NOTAVAIL, DWORD(-1)); }
DWORD ChannelGetLevel(DWORD) { return Fail(ERROR_NOTAVAIL, DWORD(-1)); }
BOOL ChannelGetInfo(DWORD, CHANNELINFO*) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL ChannelSetAttributes(DWORD, int, int, int) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL ChannelGetAttributes(DWORD, DWORD*, DWORD*, int*) { return Fail(ERROR_NOTAVAIL, 0); }
HDSP ChannelSetDSP(DWORD, DSPPROC*, void*, int) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL ChannelRemoveDSP(DWORD, HDSP) { return Fail(ERROR_NOTAVAIL, 0); }
HFX ChannelSetFX(DWORD, DWORD, int) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL ChannelRemoveFX(DWORD, HFX) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL FXSetParameters(HFX, const void*) { return Fail(ERROR_NOTAVAIL, 0); }
BOOL FXGetParameters(HFX, void*) { return Fail(ERROR_NOTAVAIL, 0); }
HSYNC ChannelSetSync(DWORD, DWORD, QWORD, SYNCPROC*, void*) { return Fail(ERROR_NOTAVAIL, 0u); }
BOOL ChannelRemoveSync(DWORD, HSYNC) { return Fail(ERROR_NOTAVAIL, 0); }

}  // namespace audio
