// One opened CD drive (or CUE/BIN, TOC/BIN image standing in for one) and what its disc holds:
// the table of contents with each track's audio sectors, and the disc's label.
#pragma once

#include <cdio/cdio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio::detail {

// CD audio: 44 100 Hz, 16-bit stereo, 588 frames (2352 bytes) in a sector.
constexpr int kCdRate = 44100;
constexpr int kCdChannels = 2;
constexpr int kCdFramesPerSector = 588;
constexpr int kCdBytesPerSector = 2352;

struct CdioCloser {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;

struct CdTrack {
    int number = 0;                // the disc's own track number (usually from 1)
    bool audio = false;            // false for a data track
    std::int32_t firstSector = 0;  // LSN of index 1
    std::uint32_t sectors = 0;     // audio sectors up to the next track (or the session's end)
};

class CdDisc {
public:
    // Opens `device` (a drive or an image) and reads its table of contents. Never null: a device
    // that cannot be opened, or a drive without a disc, gives a disc with HasDisc() false.
    static std::unique_ptr<CdDisc> Open(const std::string& device);

    bool HasDisc() const { return m_pCdio != nullptr && !m_tracks.empty(); }
    const std::vector<CdTrack>& Tracks() const { return m_tracks; }
    // CD-Text album title, else the volume label of the first data track's ISO 9660 file
    // system, else "". Read when first asked for.
    const std::string& Label();
    // True when the drive reports that its disc was changed since the table was read.
    bool MediaChanged();

private:
    CdDisc() = default;
    void ReadToc();
    std::string ReadCdTextTitle();
    std::string ReadVolumeLabel();

    CdioPtr m_pCdio;
    std::vector<CdTrack> m_tracks;
    std::string m_strLabel;
    bool m_bLabelRead = false;
};

// Opens `device` with libcdio, quietly (a drive without a disc is normal, not worth a warning).
CdioPtr OpenCdio(const std::string& device);

// Makes text from a disc safe to show: valid UTF-8 (else Latin-1 taken as such), no control
// characters, blanks at either end dropped.
std::string CleanDiscText(const std::string& text);

}  // namespace audio::detail
