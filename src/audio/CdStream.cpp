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
        if (cdio_read_audio_sectors(m_pCdio.get(), m_sector.data(), lsn, 1) != DRIVER_OP_SUCCESS) {
            m_sector.fill(0);
            return m_sector.data();
        }
        cdio_paranoia_seek(m_pParanoia.get(), lsn, SEEK_SET);
    }
    const std::int16_t* samples =
        cdio_paranoia_read_limited(m_pParanoia.get(), nullptr, kMaxRetries);
    if (samples) {
        std::memcpy(m_sector.data(), samples, sizeof m_sector);
        m_nextSector = sector + 1;
    } else {
        m_sector.fill(0);
        m_nextSector = UINT64_MAX;  // where paranoia stands is unknown now
    }
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

CdStream::CdStream(std::unique_ptr<CdSectorReader> reader, DWORD flags, std::string trackFile)
    : Channel(flags, kCdRate, kCdChannels),
      m_pReader(std::move(reader)),
      m_strPath(std::move(trackFile)) {}

int CdStream::Produce(std::int16_t* dst, int frames, const RenderContext& ctx) {
    const int n = ReadThroughSyncs(dst, frames, *m_pReader, ctx);
    MarkEnded(m_pReader->AtEnd());
    return n;
}

bool CdStream::Seek(std::uint64_t frame, bool) {
    return m_pReader->Seek(frame);
}

}  // namespace audio::detail
