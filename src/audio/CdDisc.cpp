#include "audio/CdDisc.h"

#include <cdio/cdtext.h>
#include <cdio/logging.h>

#include <array>
#include <cstring>
#include <mutex>

namespace audio::detail {

namespace {

// The first session of a CD-Extra disc ends inside the last audio track's TOC span: its lead-out
// (90 s), the second session's lead-in (60 s) and that session's first pregap (2 s) follow.
constexpr std::int32_t kSessionGapSectors = (90 + 60 + 2) * 75;

// Primary volume descriptor of ISO 9660: sector 16 of the data track; volume identifier at
// bytes 40..71.
constexpr int kPvdSector = 16;
constexpr int kVolumeIdOffset = 40;
constexpr int kVolumeIdLength = 32;

void QuietCdioLog() {
    static std::once_flag once;
    // Warnings are everyday events here (an empty drive, a scratch being retried); errors stay.
    std::call_once(once, [] { cdio_loglevel_default = CDIO_LOG_ERROR; });
}

// Length in bytes of the UTF-8 sequence starting at `s` (0 when it is not valid UTF-8).
std::size_t Utf8Length(const unsigned char* s, std::size_t left) {
    if (s[0] < 0x80) return 1;
    std::size_t n = 0;
    if ((s[0] & 0xE0) == 0xC0 && s[0] >= 0xC2)
        n = 2;
    else if ((s[0] & 0xF0) == 0xE0)
        n = 3;
    else if ((s[0] & 0xF8) == 0xF0 && s[0] <= 0xF4)
        n = 4;
    if (n == 0 || n > left) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

CdioPtr OpenCdio(const std::string& device) {
    QuietCdioLog();
    if (device.empty()) return nullptr;
    return CdioPtr(cdio_open(device.c_str(), DRIVER_UNKNOWN));
}

std::string CleanDiscText(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(s + i, text.size() - i);
        if (n == 1) {
            out += s[i] < 0x20 || s[i] == 0x7F ? ' ' : static_cast<char>(s[i]);
        } else if (n > 1) {
            out.append(text, i, n);
        } else {
            // CD-Text's own character set is Latin-1.
            out += static_cast<char>(0xC0 | (s[i] >> 6));
            out += static_cast<char>(0x80 | (s[i] & 0x3F));
        }
        i += n ? n : 1;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::unique_ptr<CdDisc> CdDisc::Open(const std::string& device) {
    std::unique_ptr<CdDisc> disc(new CdDisc);
    disc->m_pCdio = OpenCdio(device);
    if (disc->m_pCdio) disc->ReadToc();
    return disc;
}

void CdDisc::ReadToc() {
    CdIo_t* p = m_pCdio.get();
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return;
    std::vector<CdTrack> tracks;
    for (int i = 0; i < count; ++i) {
        const auto number = static_cast<track_t>(first + i);
        const lsn_t start = cdio_get_track_lsn(p, number);
        const lsn_t last = cdio_get_track_last_lsn(p, number);
        if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < start) return;
        CdTrack t;
        t.number = number;
        t.audio = cdio_get_track_format(p, number) == TRACK_FORMAT_AUDIO;
        t.firstSector = start;
        t.sectors = static_cast<std::uint32_t>(last - start + 1);
        tracks.push_back(t);
    }
    // CD-Extra: the audio session ends before the data session's lead-in, not at the data track.
    lsn_t lastSession = 0;
    if (cdio_get_last_session(p, &lastSession) == DRIVER_OP_SUCCESS &&
        lastSession > tracks.front().firstSector) {
        for (std::size_t i = 0; i + 1 < tracks.size(); ++i) {
            CdTrack& t = tracks[i];
            const std::int32_t end = lastSession - kSessionGapSectors;
            if (t.audio && !tracks[i + 1].audio && end > t.firstSector &&
                end <= tracks[i + 1].firstSector) {
                t.sectors = std::min(t.sectors, static_cast<std::uint32_t>(end - t.firstSector));
            }
        }
    }
    m_tracks = std::move(tracks);
}

bool CdDisc::MediaChanged() {
    return m_pCdio && cdio_get_media_changed(m_pCdio.get()) == 1;
}

const std::string& CdDisc::Label() {
    if (!m_bLabelRead && HasDisc()) {
        m_strLabel = ReadCdTextTitle();
        if (m_strLabel.empty()) m_strLabel = ReadVolumeLabel();
        m_bLabelRead = true;
    }
    return m_strLabel;
}

std::string CdDisc::ReadCdTextTitle() {
    cdtext_t* text = cdio_get_cdtext(m_pCdio.get());
    if (!text) return "";
    const char* title = cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0);
    return title ? CleanDiscText(title) : "";
}

std::string CdDisc::ReadVolumeLabel() {
    for (const CdTrack& t : m_tracks) {
        if (t.audio) continue;
        if (t.sectors <= kPvdSector) return "";
        std::array<char, CDIO_CD_FRAMESIZE> sector{};
        if (cdio_read_data_sectors(m_pCdio.get(), sector.data(), t.firstSector + kPvdSector,
                                   CDIO_CD_FRAMESIZE, 1) != DRIVER_OP_SUCCESS)
            return "";
        if (sector[0] != 1 || std::memcmp(sector.data() + 1, "CD001", 5) != 0) return "";
        return CleanDiscText(std::string(sector.data() + kVolumeIdOffset, kVolumeIdLength));
    }
    return "";
}

}  // namespace audio::detail
