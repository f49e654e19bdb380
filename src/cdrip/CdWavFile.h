// The WAV file a CD track is ripped to: the 44-byte PCM header with the fixed values of CD audio
// (2 channels, 44 100 Hz, 176 400 bytes a second, block align 4, 16 bits), the track's bytes as
// they come, and the sizes patched in when it is closed, so that a file cut short by a cancel or
// an error is still a whole, shorter WAV file.
#pragma once

#include <cstdint>
#include <string>

class CCdWavFile {
public:
    CCdWavFile() = default;
    ~CCdWavFile();  // closes (with the sizes patched) if still open
    CCdWavFile(const CCdWavFile&) = delete;
    CCdWavFile& operator=(const CCdWavFile&) = delete;

    // Creates (or truncates) the file and writes the header. False when the file cannot be
    // created; a header that cannot be written leaves the file open and reports through
    // WriteError().
    bool Open(const std::string& path);
    // Appends `count` bytes; false (with WriteError() set) when not all of them were written.
    bool Write(const void* bytes, std::size_t count);
    // Patches the sizes and closes the file. False when the sizes could not be written.
    bool Close();

    bool IsOpen() const { return m_fd >= 0; }
    // The errno of the first failed write, 0 when none failed.
    int WriteError() const { return m_nWriteError; }
    std::uint64_t DataBytes() const { return m_dataBytes; }

private:
    bool WriteAll(const void* bytes, std::size_t count);

    int m_fd = -1;
    int m_nWriteError = 0;
    std::uint64_t m_dataBytes = 0;
};
