#include "audio/CdStream.h"

#include <algorithm>
#include <cstring>

#include "audio/Audio.h"

namespace audio::detail {

namespace {

// Full error correction, but a sector still unreadable after this many retries is given up
// (played as silence) rather than retried for ever, which would hang a scratched disc.
constexpr int kParanoiaMode = PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP;
constexpr int kMaxRetries = 10;

// The reader whose sector paranoia is reading on this thread: paranoia calls the drive's read
// function from inside its own read, with no context of ours.
thread_local CdSectorReader* t_pReading = nullptr;

}  // namespace

int CdSectorReader::Open(const std::string& device, std::size_t track) {
    std::unique_ptr<CdDisc> disc = CdDisc::Open(device);
    if (!disc->HasDisc()) return ERROR_NOCD;
    if (track >= disc->Tracks().size() || !disc->Tracks()[track].audio) return ERROR_CDTRACK;
    const CdTrack& t = disc->Tracks()[track];
    m_firstSector = t.firstSector;
    m_length = static_cast<std::uint64_t>(t.sectors) * kCdFramesPerSector;

    m_pCdio = OpenCdio(device);
    if (!m_pCdio) return ERROR_NOCD;
    m_pDrive.reset(cdio_cddap_identify_cdio(m_pCdio.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!m_pDrive) return ERROR_NOCD;
    // Audio sectors come from libcdio little-endian, as the disc holds them; saying so spares the
    // library's guess from the music itself, which silence or noise can fool.
    m_pDrive->bigendianp = 0;
    if (cdio_cddap_open(m_pDrive.get()) != 0) return ERROR_NOCD;
    // Paranoia's reads of the drive go through here, so that what it pads is known.
    m_sectorReads.assign(t.sectors, SectorRead::NotYet);
    m_pDriveRead = m_pDrive->read_audio;
    m_pDrive->read_audio = &CdSectorReader::ReadThrough;
    m_pParanoia.reset(cdio_paranoia_init(m_pDrive.get()));
    if (!m_pParanoia) return ERROR_MEM;
    cdio_paranoia_modeset(m_pParanoia.get(), kParanoiaMode);
    return ERROR_OK;
}

bool CdSectorReader::Seek(std::uint64_t frame) {
    if (frame > m_length) return false;
    m_position = frame;
    return true;
}

const std::int16_t* CdSectorReader::Sector(std::uint64_t sector) {
    if (sector == m_bufferedSector) return m_sector.data();
    m_bufferedSector = sector;
    const auto lsn = m_firstSector + static_cast<std::int32_t>(sector);
    if (sector != m_nextSector) {
        // Paranoia must never start on a sector that cannot be read: with nothing verified yet it
        // pads its way up from the disc's first sector and does not come back. So a fresh start
        // is tried plainly first, and an unreadable sector there is silence.
        if (cdio_read_audio_sectors(m_pCdio.get(), m_sector.data(), lsn, 1) != DRIVER_OP_SUCCESS)
            return Unreadable();
        cdio_paranoia_seek(m_pParanoia.get(), lsn, SEEK_SET);
    }
    t_pReading = this;
    const std::int16_t* samples =
        cdio_paranoia_read_limited(m_pParanoia.get(), nullptr, kMaxRetries);
    t_pReading = nullptr;
    if (!samples) {
        m_nextSector = UINT64_MAX;  // where paranoia stands is unknown now
        return Unreadable();
    }
    m_nextSector = sector + 1;
    // Paranoia gives up on a sector after its retries and pads it: the drive never gave it.
    if (m_sectorReads[sector] == SectorRead::Failed) return Unreadable();
    std::memcpy(m_sector.data(), samples, sizeof m_sector);
    return m_sector.data();
}

long CdSectorReader::ReadThrough(cdrom_drive_t* drive, void* buffer, lsn_t begin, long sectors) {
    CdSectorReader* reader = t_pReading;
    if (!reader) return -1;  // paranoia reads only from inside Sector()
    const long read = reader->m_pDriveRead(drive, buffer, begin, sectors);
    // A sector read once is good, whatever failed before or after; one never read has failed.
    for (long i = 0; i < sectors; ++i) {
        const std::int64_t at = std::int64_t{begin} + i - reader->m_firstSector;
        if (at < 0 || at >= static_cast<std::int64_t>(reader->m_sectorReads.size())) continue;
        SectorRead& state = reader->m_sectorReads[static_cast<std::size_t>(at)];
        if (i < read)
            state = SectorRead::Read;
        else if (state != SectorRead::Read)
            state = SectorRead::Failed;
    }
    return read;
}

const std::int16_t* CdSectorReader::Unreadable() {
    m_sector.fill(0);
    ++m_unreadable;
    return m_sector.data();
}

int CdSectorReader::Read(std::int16_t* dst, int frames, const RenderContext&) {
    int done = 0;
    while (done < frames && m_position < m_length) {
        const std::uint64_t sector = m_position / kCdFramesPerSector;
        const int within = static_cast<int>(m_position % kCdFramesPerSector);
        const int n = static_cast<int>(std::min<std::uint64_t>(
            {static_cast<std::uint64_t>(frames - done),
             static_cast<std::uint64_t>(kCdFramesPerSector - within), m_length - m_position}));
        const std::int16_t* samples = Sector(sector);
        std::memcpy(dst + static_cast<std::size_t>(done) * kCdChannels,
                    samples + static_cast<std::size_t>(within) * kCdChannels,
                    static_cast<std::size_t>(n) * kCdChannels * sizeof(std::int16_t));
        done += n;
        m_position += static_cast<std::uint64_t>(n);
    }
    return done;
}

CdReadAhead::CdReadAhead(std::unique_ptr<CdSectorReader> reader)
    : m_pReader(std::move(reader)),
      m_length(m_pReader->Length()),
      m_ring(kAheadFrames * kCdChannels) {
    m_thread = std::thread([this] { Run(); });
}

CdReadAhead::~CdReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool CdReadAhead::Seek(std::uint64_t frame) {
    if (frame > m_length) return false;
    {
        std::lock_guard lock(m_mutex);
        m_position = frame;
        m_head = 0;
        m_count = 0;
        ++m_generation;
    }
    m_wake.notify_all();
    return true;
}

std::uint64_t CdReadAhead::Position() {
    std::lock_guard lock(m_mutex);
    return m_position;
}

int CdReadAhead::Read(std::int16_t* dst, int frames, const RenderContext&) {
    std::size_t done = 0;
    {
        std::lock_guard lock(m_mutex);
        const std::size_t n = std::min(static_cast<std::size_t>(std::max(frames, 0)), m_count);
        while (done < n) {
            const std::size_t run = std::min(n - done, kAheadFrames - m_head);
            std::memcpy(dst + done * kCdChannels, m_ring.data() + m_head * kCdChannels,
                        run * kCdChannels * sizeof(std::int16_t));
            m_head = (m_head + run) % kAheadFrames;
            done += run;
        }
        m_count -= n;
        m_position += n;
    }
    if (done > 0) m_wake.notify_all();
    return static_cast<int>(done);
}

void CdReadAhead::Run() {
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(kChunkFrames) * kCdChannels);
    std::uint64_t generation = UINT64_MAX;
    std::uint64_t readAt = 0;
    for (;;) {
        std::size_t want = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] {
                return m_bStop || generation != m_generation ||
                       (m_count < kAheadFrames && m_position + m_count < m_length);
            });
            if (m_bStop) return;
            if (generation != m_generation) {
                generation = m_generation;
                readAt = m_position + m_count;
            }
            want = std::min<std::uint64_t>({static_cast<std::uint64_t>(kChunkFrames),
                                            kAheadFrames - m_count,
                                            m_length - std::min(m_length, readAt)});
        }
        if (want == 0) continue;
        // The drive is read without the lock: the mixer takes what is ready meanwhile.
        m_pReader->Seek(readAt);
        const int got = m_pReader->Read(chunk.data(), static_cast<int>(want), RenderContext{});
        std::lock_guard lock(m_mutex);
        if (generation != m_generation || got <= 0) continue;  // a seek came: start there
        const std::size_t n = static_cast<std::size_t>(got);
        std::size_t tail = (m_head + m_count) % kAheadFrames;
        for (std::size_t done = 0; done < n;) {
            const std::size_t run = std::min(n - done, kAheadFrames - tail);
            std::memcpy(m_ring.data() + tail * kCdChannels, chunk.data() + done * kCdChannels,
                        run * kCdChannels * sizeof(std::int16_t));
            tail = (tail + run) % kAheadFrames;
            done += run;
        }
        m_count += n;
        readAt += n;
    }
}

CdStream::CdStream(std::unique_ptr<CdSectorReader> reader, DWORD flags, std::string trackFile)
    : Channel(flags, kCdRate, kCdChannels), m_strPath(std::move(trackFile)) {
    if (flags & STREAM_DECODE)
        m_pReader = std::move(reader);
    else
        m_pReader = std::make_unique<CdReadAhead>(std::move(reader));
}

int CdStream::Produce(std::int16_t* dst, int frames, const RenderContext& ctx) {
    const int n = ReadThroughSyncs(dst, frames, *m_pReader, ctx);
    MarkEnded(m_pReader->AtEnd());
    return n;
}

bool CdStream::Seek(std::uint64_t frame, bool) {
    return m_pReader->Seek(frame);
}

}  // namespace audio::detail
