// Public operations of the CD family: the drive list, discs and tracks, and track streams.
#include <string>
#include <vector>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/CdDrives.h"
#include "audio/CdStream.h"
#include "audio/CdTrackFile.h"

namespace audio {

using namespace detail;

void CD_SetDrives(const char* const* devices, DWORD count) {
    std::vector<std::string> list;
    for (DWORD i = 0; devices && i < count; ++i)
        if (devices[i] && *devices[i]) list.emplace_back(devices[i]);
    CdDrives::Get().Set(std::move(list));
}

void CD_RescanDrives() {
    CdDrives::Get().Rescan();
}

BOOL CD_GetInfo(DWORD drive, CD_INFO* info) {
    if (!info) return Fail(ERROR_ILLPARAM, 0);
    const char* device = nullptr;
    const char* label = nullptr;
    bool hasDisc = false;
    if (!CdDrives::Get().Info(drive, device, label, hasDisc)) return Fail(ERROR_ILLPARAM, 0);
    info->device = device;
    info->label = label;
    info->hasDisc = hasDisc ? 1 : 0;
    return Succeed(1);
}

DWORD CD_GetTracks(DWORD drive) {
    int error = ERROR_OK;
    DWORD tracks = 0;
    const bool listed = CdDrives::Get().WithDisc(drive, [&](CdDisc& disc, const std::string&) {
        if (disc.HasDisc())
            tracks = static_cast<DWORD>(disc.Tracks().size());
        else
            error = ERROR_NOCD;
    });
    if (!listed) return Fail(ERROR_ILLPARAM, DWORD(-1));
    if (error != ERROR_OK) return Fail(error, DWORD(-1));
    return Succeed(tracks);
}

DWORD CD_GetTrackLength(DWORD drive, DWORD track) {
    int error = ERROR_OK;
    DWORD bytes = 0;
    const bool listed = CdDrives::Get().WithDisc(drive, [&](CdDisc& disc, const std::string&) {
        if (!disc.HasDisc())
            error = ERROR_NOCD;
        else if (track >= disc.Tracks().size() || !disc.Tracks()[track].audio)
            error = ERROR_CDTRACK;
        else
            bytes = disc.Tracks()[track].sectors * static_cast<DWORD>(kCdBytesPerSector);
    });
    if (!listed) return Fail(ERROR_ILLPARAM, DWORD(-1));
    if (error != ERROR_OK) return Fail(error, DWORD(-1));
    return Succeed(bytes);
}

BOOL CD_Release(DWORD drive) {
    if (!CdDrives::Get().Release(drive)) return Fail(ERROR_ILLPARAM, 0);
    return Succeed(1);
}

HSTREAM CD_StreamCreateFile(const char* file, DWORD flags) {
    if (!file) return Fail(ERROR_FILEOPEN, HSTREAM{0});
    if (flags & SAMPLE_FLOAT) return Fail(ERROR_FORMAT, HSTREAM{0});
    AudioSystem& system = AudioSystem::Get();
    if (!(flags & STREAM_DECODE) && !system.Initialized()) return Fail(ERROR_INIT, HSTREAM{0});

    CdTrackRef ref;
    if (const int error = ReadCdTrackFile(file, ref); error != ERROR_OK)
        return Fail(error, HSTREAM{0});
    // Only a drive of the list is ever opened: a track file must not make us open any path.
    if (!CdDrives::Get().Contains(ref.device)) return Fail(ERROR_FILEFORM, HSTREAM{0});

    auto reader = std::make_unique<CdSectorReader>();
    if (const int error = reader->Open(ref.device, static_cast<std::size_t>(ref.track - 1));
        error != ERROR_OK)
        return Fail(error, HSTREAM{0});
    auto stream = std::make_shared<CdStream>(std::move(reader), flags & STREAM_DECODE, file);
    return Succeed(system.AddChannel(stream));
}

QWORD CD_StreamGetUnreadable(HSTREAM handle) {
    LockedChannel c = LockChannel(handle);
    if (!c) return QWORD(-1);
    const auto* stream = dynamic_cast<const CdStream*>(c.channel.get());
    if (!stream) return Fail(ERROR_HANDLE, QWORD(-1));
    return Succeed(QWORD{stream->UnreadableBytes()});
}

}  // namespace audio
