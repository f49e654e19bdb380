#include "export/WavFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::uint32_t kHeaderBytes = 44;
// A RIFF size field cannot count more.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

}  // namespace

CWavFile::~CWavFile() {
    if (IsOpen()) Close();
}

bool CWavFile::Open(const std::string& path, const audio::PcmWaveFormat& format,
                    PastFourGigabytes past) {
    if (IsOpen()) Close();
    m_nWriteError = 0;
    m_dataBytes = 0;
    m_format = format;
    m_past = past;
    // Not blocking in open, so that a FIFO nobody reads cannot hold the writer for ever.
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (m_fd < 0) return false;
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    const auto header = audio::PcmWaveHeader(m_format, std::nullopt);
    WriteAll(header.data(), header.size());
    return true;
}

void CWavFile::NoteError(int error) {
    if (m_nWriteError == 0) m_nWriteError = error;
}

bool CWavFile::WriteAll(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = write(m_fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing (a full disc) is as much a failure as one that fails.
            NoteError(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CWavFile::Write(const void* bytes, std::size_t count) {
    if (!IsOpen() || m_nWriteError != 0) return false;
    if (m_past == PastFourGigabytes::Refuse && m_dataBytes + count > kMaxDataBytes) {
        m_nWriteError = EFBIG;
        return false;
    }
    // Only what reached the file is counted, so that the header never claims more.
    const off_t before = lseek(m_fd, 0, SEEK_CUR);
    const bool ok = WriteAll(bytes, count);
    const off_t after = lseek(m_fd, 0, SEEK_CUR);
    if (ok)
        m_dataBytes += count;
    else if (before >= 0 && after > before) {
        const std::uint64_t frame = std::max(1, m_format.channels * m_format.bitsPerSample / 8);
        const auto written = static_cast<std::uint64_t>(after - before);
        m_dataBytes += written - written % frame;
    }
    return ok;
}

bool CWavFile::Close() {
    if (!IsOpen()) return false;
    const auto header = audio::PcmWaveHeader(m_format, static_cast<std::uint32_t>(m_dataBytes));
    bool ok = pwrite(m_fd, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
    if (!ok) NoteError(errno ? errno : ENOSPC);
    // A partial last frame is cut off, so that the file holds whole frames only.
    if (ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + m_dataBytes)) != 0) {
        NoteError(errno);
        ok = false;
    }
    if (close(m_fd) != 0) {
        NoteError(errno);
        ok = false;
    }
    m_fd = -1;
    return ok;
}
