// Public operations on channels: transport, positions, reading, information and attributes.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/DeviceOutput.h"

namespace audio {

using namespace detail;

namespace {
constexpr std::uint64_t kLevelWindowFrames = DeviceOutput::kRate / 50;  // 20 ms
}

BOOL ChannelPlay(DWORD handle, BOOL restart) {
    AudioSystem& system = AudioSystem::Get();
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (c->IsDecoder()) return Fail(ERROR_DECODE, 0);
    if (!system.Initialized()) return Fail(ERROR_INIT, 0);
    if (restart && !c->SetPosition(0)) return Fail(ERROR_POSITION, 0);
    if (c->Playback().State() == ACTIVE_PLAYING) return Succeed(1);
    // Made here, so that neither the mixing nor the producer thread allocates it.
    c->WillBeHeard();
    c->Playback().PrepareVoice();
    c->Playback().SetState(ACTIVE_PLAYING);
    c.lock.unlock();
    if (!system.StartPlaying(c.channel)) return Fail(ERROR_INIT, 0);
    return Succeed(1);
}

BOOL ChannelPause(DWORD handle) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (c->IsDecoder()) return Fail(ERROR_DECODE, 0);
    if (c->Playback().State() != ACTIVE_PLAYING) return Fail(ERROR_NOPLAY, 0);
    c->Playback().SetState(ACTIVE_PAUSED);
    c.lock.unlock();
    AudioSystem::Get().StopPlaying(c.channel.get());
    // Out of the mix: what was read ahead is read again when it resumes.
    c.lock.lock();
    if (c->Playback().State() != ACTIVE_PLAYING) c->WithdrawReadAhead();
    return Succeed(1);
}

BOOL ChannelStop(DWORD handle) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (c->IsDecoder()) return Succeed(1);
    c->Playback().SetState(ACTIVE_STOPPED);
    c.lock.unlock();
    AudioSystem::Get().StopPlaying(c.channel.get());
    c.lock.lock();
    if (c->Playback().State() != ACTIVE_PLAYING) c->WithdrawReadAhead();
    return Succeed(1);
}

DWORD ChannelIsActive(DWORD handle) {
    LockedChannel c = LockChannel(handle);
    if (!c) return ACTIVE_STOPPED;
    if (c->IsDecoder()) return Succeed(c->Ended() ? ACTIVE_STOPPED : ACTIVE_PLAYING);
    return Succeed(c->Playback().State());
}

QWORD ChannelGetPosition(DWORD handle) {
    const std::uint64_t heard = AudioSystem::Get().HeardFrame();
    LockedChannel c = LockChannel(handle);
    if (!c) return QWORD(-1);
    return Succeed(c->Position(heard) * c->FrameBytes());
}

BOOL ChannelSetPosition(DWORD handle, QWORD pos) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (c->HasReader()) return Fail(ERROR_NOTAVAIL, 0);
    if (!c->SetPosition(pos / c->FrameBytes())) return Fail(ERROR_POSITION, 0);
    return Succeed(1);
}

BOOL ChannelSetJumpTarget(DWORD handle, QWORD pos) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    const std::uint64_t frame = pos / c->FrameBytes();
    if (frame > c->LengthFrames()) return Fail(ERROR_POSITION, 0);
    c->PrepareJump(frame);
    return Succeed(1);
}

QWORD ChannelGetLength(DWORD handle) {
    LockedChannel c = LockChannel(handle);
    if (!c) return QWORD(-1);
    return Succeed(c->LengthFrames() * c->FrameBytes());
}

double ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    LockedChannel c = LockChannel(handle);
    if (!c) return -1.0;
    return Succeed(static_cast<double>(pos / c->FrameBytes()) / c->SampleRate());
}

QWORD ChannelSeconds2Bytes(DWORD handle, double pos) {
    LockedChannel c = LockChannel(handle);
    if (!c) return QWORD(-1);
    if (!(pos > 0)) return Succeed(QWORD{0});
    // Nearest whole frame: seconds often arrive as 32-bit floats a hair below the exact value.
    const double frames = std::nearbyint(pos * c->SampleRate());
    return Succeed(static_cast<QWORD>(frames) * c->FrameBytes());
}

DWORD ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    LockedChannel c = LockChannel(handle);
    if (!c) return DWORD(-1);
    if (!c->IsDecoder() || c->HasReader()) return Fail(ERROR_NOTAVAIL, DWORD(-1));
    if (!buffer) return Fail(ERROR_ILLPARAM, DWORD(-1));
    if (c->Ended()) return Fail(ERROR_ENDED, DWORD(-1));
    const int frames = static_cast<int>(length / c->FrameBytes());
    if (frames == 0) return Succeed(DWORD{0});
    const int n = c->Read(static_cast<std::int16_t*>(buffer), frames, RenderContext{});
    if (n == 0 && c->Ended()) return Fail(ERROR_ENDED, DWORD(-1));
    return Succeed(static_cast<DWORD>(n) * c->FrameBytes());
}

DWORD ChannelGetLevel(DWORD handle) {
    const std::uint64_t heard = AudioSystem::Get().HeardFrame();
    LockedChannel c = LockChannel(handle);
    if (!c) return DWORD(-1);
    if (!c->IsDecoder()) {
        if (c->Playback().State() != ACTIVE_PLAYING) return Fail(ERROR_NOPLAY, DWORD(-1));
        const std::uint64_t from = heard > kLevelWindowFrames ? heard - kLevelWindowFrames : 0;
        return Succeed(c->Playback().History().LevelBetween(from, heard + 1));
    }
    if (c->HasReader()) return Fail(ERROR_NOTAVAIL, DWORD(-1));
    if (c->Ended()) return Fail(ERROR_ENDED, DWORD(-1));
    const int chans = c->Channels();
    const int frames = std::max(1, c->SampleRate() / 50);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * chans);
    const int n = c->Read(samples.data(), frames, RenderContext{});
    if (n == 0) return Fail(ERROR_ENDED, DWORD(-1));
    int left = 0, right = 0;
    for (int i = 0; i < n; ++i) {
        const std::int16_t* f = samples.data() + static_cast<std::size_t>(i) * chans;
        left = std::max(left, std::abs(static_cast<int>(f[0])));
        right = std::max(right, std::abs(static_cast<int>(f[chans > 1 ? 1 : 0])));
    }
    return Succeed(static_cast<DWORD>(left) | (static_cast<DWORD>(right) << 16));
}

BOOL ChannelGetInfo(DWORD handle, CHANNELINFO* info) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (!info) return Fail(ERROR_ILLPARAM, 0);
    info->freq = static_cast<DWORD>(c->SampleRate());
    info->chans = static_cast<DWORD>(c->Channels());
    info->flags = c->Flags();
    info->ctype = c->ChannelType();
    info->origres = c->OriginalResolution();
    info->plugin = 0;
    info->filename = c->FileName();
    return Succeed(1);
}

BOOL ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    const bool freqOk = freq == -1 || freq == 0 || (freq >= 100 && freq <= 192000);
    const bool volumeOk = volume == -1 || (volume >= 0 && volume <= 100);
    const bool panOk = pan == -101 || (pan >= -100 && pan <= 100);
    if (!freqOk || !volumeOk || !panOk) return Fail(ERROR_ILLPARAM, 0);
    if (freq > 0 && freq != c->Playback().PlaybackRate()) {
        c->Playback().SetPlaybackRate(freq);
        c->WithdrawReadAhead();  // heard at once, not after the audio read ahead
    }
    if (volume >= 0) c->Playback().SetVolume(volume);
    if (pan != -101) c->Playback().SetPan(pan);
    return Succeed(1);
}

BOOL ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    LockedChannel c = LockChannel(handle);
    if (!c) return 0;
    if (freq) *freq = static_cast<DWORD>(c->Playback().PlaybackRate());
    if (volume) *volume = static_cast<DWORD>(c->Playback().Volume());
    if (pan) *pan = c->Playback().Pan();
    return Succeed(1);
}

}  // namespace audio
