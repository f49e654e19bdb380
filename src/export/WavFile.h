// A 16-bit (or 8-bit) PCM WAV file written as the blocks come: the 44-byte header first with its
// sizes 0, the blocks as they come, and the sizes written when it is closed, so that a file cut
// short by a cancel or an error is still a whole, shorter WAV file.
#pragma once

#include <cstdint>
#include <string>

#include "audio/WaveHeader.h"

class CWavFile {
public:
    CWavFile() = default;
    ~CWavFile();  // closes (with the sizes written) if still open
    CWavFile(const CWavFile&) = delete;
    CWavFile& operator=(const CWavFile&) = delete;

    // What a file does with more data than the size fields can count (4 GB): refuse it (EFBIG),
    // or take it and let the sizes wrap, as readers of long renders expect.
    enum class PastFourGigabytes { Refuse, Wrap };

    // Creates (or truncates) the file and writes the header. False when the file cannot be
    // created; a header that cannot be written leaves the file open and reports through
    // WriteError().
    bool Open(const std::string& path, const audio::PcmWaveFormat& format,
              PastFourGigabytes past = PastFourGigabytes::Refuse);
    // Appends `count` bytes; false (with WriteError() set) when not all of them were written.
    bool Write(const void* bytes, std::size_t count);
    // Writes the sizes and closes the file. False (with WriteError() set) when the sizes could
    // not be written.
    bool Close();

    bool IsOpen() const { return m_fd >= 0; }
    // The errno of the first failed write, 0 when none failed.
    int WriteError() const { return m_nWriteError; }
    std::uint64_t DataBytes() const { return m_dataBytes; }

private:
    bool WriteAll(const void* bytes, std::size_t count);
    void NoteError(int error);

    int m_fd = -1;
    int m_nWriteError = 0;
    std::uint64_t m_dataBytes = 0;
    audio::PcmWaveFormat m_format;
    PastFourGigabytes m_past = PastFourGigabytes::Refuse;
};
