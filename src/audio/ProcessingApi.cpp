// Public operations for DSP procedures, effects and syncs.
#include "audio/ApiSupport.h"
#include "audio/Audio.h"

namespace audio {

using namespace detail;

HDSP ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (!proc) return Fail(ERROR_ILLPARAM, HDSP{0});
    const HDSP dsp = AudioSystem::Get().NewItemHandle(c.channel);
    c->Chain().AddDsp(dsp, proc, user, priority);
    return Succeed(dsp);
}

BOOL ChannelRemoveDSP(DWORD handle, HDSP dsp) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (!c->Chain().Remove(dsp)) return Fail(ERROR_HANDLE, 0);
    AudioSystem::Get().ForgetItem(dsp);
    return Succeed(1);
}

HFX ChannelSetFX(DWORD handle, DWORD type, int priority) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (type != FX_PARAMEQ) return Fail(ERROR_ILLTYPE, HFX{0});
    const HFX fx = AudioSystem::Get().NewItemHandle(c.channel);
    c->Chain().AddEq(fx, priority, c->SampleRate(), c->Channels());
    return Succeed(fx);
}

BOOL ChannelRemoveFX(DWORD handle, HFX fx) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (!c->Chain().FindEq(fx) || !c->Chain().Remove(fx)) return Fail(ERROR_HANDLE, 0);
    AudioSystem::Get().ForgetItem(fx);
    return Succeed(1);
}

namespace {
// The effect behind `fx` with its channel locked, or null with ERROR_HANDLE.
ParamEq* LockEffect(HFX fx, LockedChannel& locked) {
    locked.channel = AudioSystem::Get().FindItemOwner(fx);
    if (!locked.channel) return Fail(ERROR_HANDLE, static_cast<ParamEq*>(nullptr));
    locked.lock = std::unique_lock(locked.channel->Mutex());
    ParamEq* eq = locked.channel->Chain().FindEq(fx);
    if (!eq) SetError(ERROR_HANDLE);
    return eq;
}
}  // namespace

BOOL FXSetParameters(HFX handle, const void* params) {
    LockedChannel locked;
    ParamEq* eq = LockEffect(handle, locked);
    if (!eq) return 0;
    if (!params) return Fail(ERROR_ILLPARAM, 0);
    eq->SetParameters(*static_cast<const FXPARAMEQ*>(params));
    return Succeed(1);
}

BOOL FXGetParameters(HFX handle, void* params) {
    LockedChannel locked;
    ParamEq* eq = LockEffect(handle, locked);
    if (!eq) return 0;
    if (!params) return Fail(ERROR_ILLPARAM, 0);
    *static_cast<FXPARAMEQ*>(params) = eq->Parameters();
    return Succeed(1);
}

HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    const DWORD base = type & ~(SYNC_MIXTIME | SYNC_ONETIME);
    if (base != SYNC_POS && base != SYNC_END) return Fail(ERROR_ILLTYPE, HSYNC{0});
    if (!proc) return Fail(ERROR_ILLPARAM, HSYNC{0});
    const HSYNC sync = AudioSystem::Get().NewItemHandle(c.channel);
    c->AddSync(sync, type, param, proc, user);
    c->CatchUpSync(sync, c->Position(AudioSystem::Get().HeardFrame()));
    return Succeed(sync);
}

BOOL ChannelRemoveSync(DWORD handle, HSYNC sync) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (!c->RemoveSync(sync)) return Fail(ERROR_HANDLE, 0);
    AudioSystem::Get().ForgetItem(sync);
    return Succeed(1);
}

}  // namespace audio
