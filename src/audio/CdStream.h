// A stream of one audio CD track, read through cdio_paranoia's error correction on a libcdio
// handle of its own (so that releasing the drive elsewhere does not pull the disc from under it).
#pragma once

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <array>
#include <memory>
#include <string>

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

// Reads the sectors of one track: whole frames from any position, silence for a sector that
// cannot be read after paranoia's retries.
class CdSectorReader final : public FrameSource {
public:
    // Opens `device` for reading the track `track` (index into the disc's track list).
    // Returns ERROR_OK, or ERROR_NOCD / ERROR_CDTRACK.
    int Open(const std::string& device, std::size_t track);

    std::uint64_t Length() const { return m_length; }
    bool Seek(std::uint64_t frame);

    int Read(std::int16_t* dst, int frames, const RenderContext&) override;
    std::uint64_t Position() override { return m_position; }
    bool AtEnd() override { return m_position >= m_length; }

private:
    // The samples of sector `sector` of the track (from 0).
    const std::int16_t* Sector(std::uint64_t sector);

    CdioPtr m_pCdio;
    std::unique_ptr<cdrom_drive_t, CddaCloser> m_pDrive;
    std::unique_ptr<cdrom_paranoia_t, ParanoiaFreer> m_pParanoia;
    std::int32_t m_firstSector = 0;
    std::uint64_t m_length = 0;    // frames
    std::uint64_t m_position = 0;  // frames
    std::array<std::int16_t, kCdFramesPerSector * kCdChannels> m_sector{};
    std::uint64_t m_bufferedSector = UINT64_MAX;  // which sector m_sector holds
    std::uint64_t m_nextSector = UINT64_MAX;      // where paranoia reads next (MAX: seek first)
};

class CdStream final : public Channel {
public:
    CdStream(std::unique_ptr<CdSectorReader> reader, DWORD flags, std::string trackFile);

    DWORD ChannelType() const override { return CTYPE_STREAM_CD; }
    DWORD OriginalResolution() const override { return 16; }
    const char* FileName() const override { return m_strPath.c_str(); }
    std::uint64_t LengthFrames() override { return m_pReader->Length(); }
    std::uint64_t ReadPosition() override { return m_pReader->Position(); }

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool seamless) override;

private:
    std::unique_ptr<CdSectorReader> m_pReader;
    std::string m_strPath;
};

}  // namespace audio::detail
