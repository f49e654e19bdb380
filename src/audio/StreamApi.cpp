// Public operations that create and free streams, and the tempo family.
#include <algorithm>
#include <string>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/FileDecoder.h"
#include "audio/FileStream.h"
#include "audio/ProcStream.h"
#include "audio/StretchEngine.h"
#include "audio/TempoStream.h"

namespace audio {

using namespace detail;

namespace {

// Rounds of catching a spare up on the caller's thread: each leaves less to feed than the last.
constexpr int kCatchUpRounds = 4;

HSTREAM CreateFileStream(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                         ContainerFilter filter) {
    if (mem || offset != 0 || length != 0) return Fail(ERROR_ILLPARAM, HSTREAM{0});
    if (!file) return Fail(ERROR_FILEOPEN, HSTREAM{0});
    if (flags & SAMPLE_FLOAT) return Fail(ERROR_FORMAT, HSTREAM{0});
    AudioSystem& system = AudioSystem::Get();
    if (!(flags & STREAM_DECODE) && !system.Initialized()) return Fail(ERROR_INIT, HSTREAM{0});

    const std::string path(static_cast<const char*>(file));
    int error = ERROR_OK;
    auto decoder = FileDecoder::Open(path, filter, &system.PacketIndexes(), error);
    if (!decoder) return Fail(error, HSTREAM{0});
    auto stream = std::make_shared<FileStream>(std::move(decoder),
                                               flags & (STREAM_DECODE | STREAM_READAHEAD), path);
    return Succeed(system.AddChannel(stream));
}

TempoStream* AsTempo(const LockedChannel& locked) {
    auto* tempo = dynamic_cast<TempoStream*>(locked.channel.get());
    if (!tempo) SetError(ERROR_HANDLE);
    return tempo;
}

// Hands a tempo stream over to an engine of `kind` (TempoStream::Handover). Making the engine and
// priming it cost time: they are done with the stream let go, so that its producer is never
// held up by them.
void HandOver(const ChannelPtr& channel, TempoStream& stream, DWORD kind) {
    TempoStream::Handover handover;
    {
        std::lock_guard lock(channel->Mutex());
        handover = stream.StartHandover(kind);
    }
    if (!handover.engine)
        handover.engine = MakeStretchEngine(kind, stream.SampleRate(), stream.Channels());
    {
        std::lock_guard lock(channel->Mutex());
        stream.Snapshot(handover);
    }
    TempoStream::Prepare(handover, stream.Channels());
    // What played on meanwhile is fed here too, not left to the producer's real-time thread:
    // an engine made and primed on a busy machine leaves a tenth of a second of it and more.
    for (int round = 0; round < kCatchUpRounds; ++round) {
        int frames;
        {
            std::lock_guard lock(channel->Mutex());
            frames = stream.ExtendSnapshot(handover);
        }
        if (frames == 0) break;
        TempoStream::CatchUp(handover, frames, stream.Channels());
    }
    std::unique_ptr<StretchEngine> replaced;
    {
        std::lock_guard lock(channel->Mutex());
        replaced = stream.FinishHandover(std::move(handover));
    }
}

}  // namespace

HSTREAM StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return CreateFileStream(mem, file, offset, length, flags, ContainerFilter::Any);
}

HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) {
    if (!proc || freq < 1000 || freq > 384000 || chans < 1 || chans > 8)
        return Fail(ERROR_ILLPARAM, HSTREAM{0});
    if (!(flags & STREAM_DECODE)) return Fail(ERROR_NOTAVAIL, HSTREAM{0});
    auto stream = std::make_shared<ProcStream>(static_cast<int>(freq), static_cast<int>(chans),
                                               flags & STREAM_DECODE, proc, user);
    return Succeed(AudioSystem::Get().AddChannel(stream));
}

HSTREAM MP4_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return CreateFileStream(mem, file, offset, length, flags, ContainerFilter::Mp4Only);
}

HSTREAM WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return CreateFileStream(mem, file, offset, length, flags, ContainerFilter::AsfOnly);
}

HMUSIC MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags,
                 DWORD /*freq*/) {
    return CreateFileStream(mem, file, offset, length, flags, ContainerFilter::ModuleOnly);
}

void SetOpenCancelFlag(const std::atomic<bool>* cancel) {
    SetThreadOpenCancelFlag(cancel);
}

BOOL StreamFree(HSTREAM handle) {
    AudioSystem& system = AudioSystem::Get();
    ChannelPtr channel = system.FindChannel(handle);
    if (!channel) return Fail(ERROR_HANDLE, 0);
    ChannelPtr source;
    {
        std::lock_guard lock(channel->Mutex());
        if (channel->HasReader()) return Fail(ERROR_NOTAVAIL, 0);
        if (auto* tempo = dynamic_cast<TempoStream*>(channel.get()); tempo && tempo->FreesSource())
            source = tempo->Source();
    }
    system.RemoveChannel(channel);
    if (source) system.RemoveChannel(source);
    return Succeed(1);
}

BOOL MusicFree(HMUSIC handle) {
    return StreamFree(handle);
}

HSTREAM FX_TempoCreate(DWORD source, DWORD flags) {
    AudioSystem& system = AudioSystem::Get();
    LockedChannel src = LockChannel(source);
    if (!src) return 0;
    if (!src->IsDecoder()) return Fail(ERROR_DECODE, HSTREAM{0});
    if (src->HasReader()) return Fail(ERROR_ALREADY, HSTREAM{0});
    if (!(flags & STREAM_DECODE) && !system.Initialized()) return Fail(ERROR_INIT, HSTREAM{0});
    auto engine = MakeStretchEngine(system.Stretcher(), src->SampleRate(), src->Channels());
    if (!engine) return Fail(ERROR_NOTAVAIL, HSTREAM{0});  // SetConfig lets no other kind in
    auto tempo = std::make_shared<TempoStream>(src.channel, flags & (STREAM_DECODE | FX_FREESOURCE),
                                               std::move(engine));
    src.lock.unlock();
    return Succeed(system.AddChannel(tempo));
}

BOOL FX_TempoSet(HSTREAM handle, float tempo, float samplerate, float pitch) {
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    const bool tempoOk =
        tempo == -100.0f || (tempo >= TempoStream::kMinTempo && tempo <= TempoStream::kMaxTempo);
    const bool pitchOk =
        pitch == -100.0f || (pitch >= -TempoStream::kMaxPitch && pitch <= TempoStream::kMaxPitch);
    if (!tempoOk || !pitchOk || samplerate < 0.0f) return Fail(ERROR_ILLPARAM, 0);
    float before[3], after[3];
    stream->Get(before[0], before[1], before[2]);
    stream->Set(tempo, samplerate, pitch);
    stream->Get(after[0], after[1], after[2]);
    if (std::equal(before, before + 3, after)) return Succeed(1);
    // Heard at once, not after the audio read ahead at the old settings; an engine with a long
    // window is handed over to a spare with the new settings, not started again in place.
    if (stream->RestartsOnChange()) {
        stream->WithdrawReadAhead();
    } else if (stream->HandsOverOnChange()) {
        const DWORD kind = stream->EngineKind();
        locked.lock.unlock();
        HandOver(locked.channel, *stream, kind);
    }
    return Succeed(1);
}

BOOL FX_TempoGet(HSTREAM handle, float* tempo, float* samplerate, float* pitch) {
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    float t, r, p;
    stream->Get(t, r, p);
    if (tempo) *tempo = t;
    if (samplerate) *samplerate = r;
    if (pitch) *pitch = p;
    return Succeed(1);
}

BOOL FX_TempoSetOption(HSTREAM handle, DWORD option, DWORD value) {
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    if (!stream->SetOption(option, value)) return Fail(ERROR_ILLTYPE, 0);
    return Succeed(1);
}

BOOL FX_TempoSetStretcher(HSTREAM handle, DWORD stretcher) {
    if (!std::ranges::any_of(StretchEngineKinds(),
                             [&](const StretchEngineKind& k) { return k.kind == stretcher; }))
        return Fail(ERROR_ILLPARAM, 0);
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    locked.lock.unlock();
    HandOver(locked.channel, *stream, stretcher);
    return Succeed(1);
}

BOOL FX_TempoCountIn(HSTREAM handle, DWORD beats, double beatSeconds) {
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    if (stream->IsDecoder()) return Fail(ERROR_DECODE, 0);
    if (beats < 1 || beats > 16 || !(beatSeconds >= 0.05 && beatSeconds <= 10))
        return Fail(ERROR_ILLPARAM, 0);
    if (!stream->CountIn(static_cast<int>(beats), beatSeconds)) return Fail(ERROR_NOTAVAIL, 0);
    return Succeed(1);
}

DWORD FX_TempoGetSource(HSTREAM handle) {
    LockedChannel locked = LockChannel(handle);
    if (!locked) return 0;
    TempoStream* stream = AsTempo(locked);
    if (!stream) return 0;
    return Succeed(stream->Source()->Handle());
}

}  // namespace audio
