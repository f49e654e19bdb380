// CD images for tests: a BIN of raw 2352-byte sectors and its CUE sheet, standing in for a drive
// with a disc. Audio tracks hold seeded pseudo-random samples, so that any byte out of place,
// any swapped byte and any seek that lands a frame off shows; data tracks hold Mode 1 sectors
// with an ISO 9660 volume descriptor when a volume label is given.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cd_test {

constexpr std::uint32_t kSectorBytes = 2352;
constexpr std::uint32_t kFramesPerSector = 588;

struct ImageTrack {
    bool audio = true;
    std::uint32_t sectors = 0;
};

inline ImageTrack Audio(std::uint32_t sectors) {
    return {true, sectors};
}
inline ImageTrack Data(std::uint32_t sectors) {
    return {false, sectors};
}

class CdImage {
public:
    // Writes `<folder>/<name>.bin` and `<folder>/<name>.cue`. `title` becomes the disc's CD-Text
    // title (none when empty); `volumeLabel` the ISO 9660 label of every data track.
    CdImage(const std::string& folder, const std::string& name, std::vector<ImageTrack> tracks,
            const std::string& title = "", const std::string& volumeLabel = "")
        : m_tracks(std::move(tracks)) {
        m_strBin = (std::filesystem::path(folder) / (name + ".bin")).string();
        m_strCue = (std::filesystem::path(folder) / (name + ".cue")).string();
        std::uint32_t seed = 0x9E3779B9u;
        for (char c : name) seed = seed * 31 + static_cast<unsigned char>(c);
        std::string cue;
        if (!title.empty()) cue += "TITLE \"" + title + "\"\n";
        cue += "FILE \"" + name + ".bin\" BINARY\n";
        std::uint32_t sector = 0;
        for (std::size_t i = 0; i < m_tracks.size(); ++i) {
            m_offsets.push_back(m_bytes.size());
            const ImageTrack& t = m_tracks[i];
            char line[96];
            std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n",
                          i + 1, t.audio ? "AUDIO" : "MODE1/2352", sector / 75 / 60,
                          sector / 75 % 60, sector % 75);
            cue += line;
            for (std::uint32_t s = 0; s < t.sectors; ++s) {
                if (t.audio)
                    AppendAudioSector(seed + static_cast<std::uint32_t>(i) * 7919u);
                else
                    AppendDataSector(s, volumeLabel);
            }
            sector += t.sectors;
        }
        std::ofstream(m_strBin, std::ios::binary)
            .write(m_bytes.data(), std::streamsize(m_bytes.size()));
        std::ofstream(m_strCue) << cue;
    }

    const std::string& Cue() const { return m_strCue; }
    const std::string& Bin() const { return m_strBin; }
    // The raw bytes of track `i` (from 0) as the BIN holds them.
    std::string TrackBytes(std::size_t i) const {
        return m_bytes.substr(m_offsets[i], std::size_t(m_tracks[i].sectors) * kSectorBytes);
    }
    // Where track `i` starts in the BIN, in bytes.
    std::size_t TrackOffset(std::size_t i) const { return m_offsets[i]; }
    // Cuts the BIN to `bytes` (as a disc whose end cannot be read).
    void TruncateBin(std::size_t bytes) const { std::filesystem::resize_file(m_strBin, bytes); }

private:
    void AppendAudioSector(std::uint32_t trackSeed) {
        // One generator per track, continued across its sectors.
        if (trackSeed != m_seedInUse) {
            m_seedInUse = trackSeed;
            m_state = trackSeed;
        }
        for (std::uint32_t b = 0; b < kSectorBytes; ++b) {
            m_state = m_state * 1664525u + 1013904223u;
            m_bytes += static_cast<char>(m_state >> 24);
        }
    }
    void AppendDataSector(std::uint32_t index, const std::string& label) {
        std::string s(kSectorBytes, '\0');
        s.replace(1, 10, std::string(10, '\xFF'));  // sync pattern 00 FF*10 00
        s[15] = 1;                                  // Mode 1
        if (index == 16 && !label.empty()) {
            std::string pvd(2048, '\0');
            pvd[0] = 1;
            pvd.replace(1, 5, "CD001");
            pvd[6] = 1;
            std::string id = label.substr(0, 32);
            id.resize(32, ' ');
            pvd.replace(40, 32, id);
            s.replace(16, 2048, pvd);
        }
        m_bytes += s;
    }

    std::vector<ImageTrack> m_tracks;
    std::vector<std::size_t> m_offsets;
    std::string m_bytes;
    std::string m_strBin, m_strCue;
    std::uint32_t m_seedInUse = 0, m_state = 0;
};

// Writes a track file naming `device` and track `number` (counted from 1).
inline void WriteTrackFile(const std::string& path, const std::string& device, int number) {
    std::ofstream(path) << "device=" << device << "\ntrack=" << number << "\n";
}

}  // namespace cd_test
