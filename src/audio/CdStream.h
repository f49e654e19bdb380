// A stream of one audio CD track, read through cdio_paranoia's error correction on a libcdio
// handle of its own (so that releasing the drive elsewhere does not pull the disc from under it).
#pragma once

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/CdDisc.h"
#include "audio/Channel.h"

namespace audio::detail {

struct CddaCloser {
    // The drive structure does not own the libcdio handle it was made from.
    void operator()(cdrom_drive_t* d) const { cdio_cddap_close_no_free_cdio(d); }
};
struct ParanoiaFreer {
    void operator()(cdrom_paranoia_t* p) const { cdio_paranoia_free(p); }
};

// Frames of one track, with its length and a way to move.
class CdTrackSource : public FrameSource {
public:
    virtual std::uint64_t Length() const = 0;
    virtual bool Seek(std::uint64_t frame) = 0;
    // Sectors read so far that could not be read after the retries and were given as silence
    // (one read twice counts twice). Safe from any thread.
    virtual std::uint64_t UnreadableSectors() const = 0;
};

// Reads the sectors of one track: whole frames from any position, silence for a sector that
// cannot be read after paranoia's retries. Reads block for as long as the drive takes.
class CdSectorReader final : public CdTrackSource {
public:
    // Opens `device` for reading the track `track` (index into the disc's track list).
    // Returns ERROR_OK, or ERROR_NOCD / ERROR_CDTRACK.
    int Open(const std::string& device, std::size_t track);

    std::uint64_t Length() const override { return m_length; }
    bool Seek(std::uint64_t frame) override;
    std::uint64_t UnreadableSectors() const override { return m_unreadable.load(); }

    int Read(std::int16_t* dst, int frames, const RenderContext&) override;
    std::uint64_t Position() override { return m_position; }
    bool AtEnd() override { return m_position >= m_length; }

private:
    // The samples of sector `sector` of the track (from 0).
    const std::int16_t* Sector(std::uint64_t sector);
    // Silence in place of a sector that cannot be read.
    const std::int16_t* Unreadable();
    // The drive's read function as paranoia calls it: notes which sectors the drive gave.
    static long ReadThrough(cdrom_drive_t* drive, void* buffer, lsn_t begin, long sectors);

    CdioPtr m_pCdio;
    std::unique_ptr<cdrom_drive_t, CddaCloser> m_pDrive;
    std::unique_ptr<cdrom_paranoia_t, ParanoiaFreer> m_pParanoia;
    std::int32_t m_firstSector = 0;
    std::uint64_t m_length = 0;    // frames
    std::uint64_t m_position = 0;  // frames
    std::array<std::int16_t, kCdFramesPerSector * kCdChannels> m_sector{};
    std::uint64_t m_bufferedSector = UINT64_MAX;  // which sector m_sector holds
    std::uint64_t m_nextSector = UINT64_MAX;      // where paranoia reads next (MAX: seek first)
    // What the drive did with each sector of the track: not asked yet, read, or failed every
    // time it was asked.
    enum class SectorRead : std::uint8_t { NotYet, Read, Failed };
    std::vector<SectorRead> m_sectorReads;
    long (*m_pDriveRead)(cdrom_drive_t*, void*, lsn_t, long) = nullptr;
    std::atomic<std::uint64_t> m_unreadable{0};
};

// Reads a track ahead on a thread of its own, for a stream that plays: the mixing thread must
// never wait for the drive, which takes seconds to spin up or to get past a scratch. Read hands
// out what is ready, fewer frames (even none) while the drive is behind; the mixer plays
// silence for those and carries on.
class CdReadAhead final : public CdTrackSource {
public:
    explicit CdReadAhead(std::unique_ptr<CdSectorReader> reader);
    ~CdReadAhead() override;  // stops the thread (after the read it is in)
    CdReadAhead(const CdReadAhead&) = delete;
    CdReadAhead& operator=(const CdReadAhead&) = delete;

    std::uint64_t Length() const override { return m_length; }
    bool Seek(std::uint64_t frame) override;
    std::uint64_t UnreadableSectors() const override { return m_pReader->UnreadableSectors(); }
    int Read(std::int16_t* dst, int frames, const RenderContext&) override;
    std::uint64_t Position() override;
    bool AtEnd() override { return Position() >= m_length; }

private:
    static constexpr std::size_t kAheadFrames = 2 * kCdRate;
    static constexpr int kChunkFrames = 4 * kCdFramesPerSector;
    void Run();

    std::unique_ptr<CdSectorReader> m_pReader;  // the thread's alone once it runs
    const std::uint64_t m_length;
    std::mutex m_mutex;  // guards what follows; never held while the drive is read
    std::condition_variable m_wake;
    std::vector<std::int16_t> m_ring;
    std::size_t m_head = 0;          // frame of the ring read next
    std::size_t m_count = 0;         // frames ready
    std::uint64_t m_position = 0;    // the track's frame Read gives next
    std::uint64_t m_generation = 0;  // counts seeks: what was read before one is dropped
    bool m_bStop = false;
    std::thread m_thread;
};

class CdStream final : public Channel {
public:
    // A decoding stream reads the drive itself; a playable one through a CdReadAhead.
    CdStream(std::unique_ptr<CdSectorReader> reader, DWORD flags, std::string trackFile);

    DWORD ChannelType() const override { return CTYPE_STREAM_CD; }
    DWORD OriginalResolution() const override { return 16; }
    const char* FileName() const override { return m_strPath.c_str(); }
    std::uint64_t LengthFrames() override { return m_pReader->Length(); }
    std::uint64_t ReadPosition() override { return m_pReader->Position(); }
    // Bytes read so far that the disc would not give and that came out as silence.
    std::uint64_t UnreadableBytes() const {
        return m_pReader->UnreadableSectors() * kCdBytesPerSector;
    }

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool seamless) override;

private:
    std::unique_ptr<CdTrackSource> m_pReader;
    std::string m_strPath;
};

}  // namespace audio::detail
