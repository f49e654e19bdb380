#include "cdrip/CdWavFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kChannels = 2;
constexpr std::uint32_t kRate = 44100;
constexpr int kBits = 16;
constexpr std::uint32_t kHeaderBytes = 44;
// A RIFF size field cannot count more; a CD track never comes near it.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

void Put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::array<unsigned char, kHeaderBytes> Header(std::uint32_t dataBytes) {
    std::array<unsigned char, kHeaderBytes> h{};
    std::memcpy(h.data(), "RIFF", 4);
    Put32(h.data() + 4, dataBytes + kHeaderBytes - 8);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    Put32(h.data() + 16, 16);
    Put16(h.data() + 20, 1);  // PCM
    Put16(h.data() + 22, kChannels);
    Put32(h.data() + 24, kRate);
    Put32(h.data() + 28, kRate * kChannels * kBits / 8);
    Put16(h.data() + 32, kChannels * kBits / 8);
    Put16(h.data() + 34, kBits);
    std::memcpy(h.data() + 36, "data", 4);
    Put32(h.data() + 40, dataBytes);
    return h;
}

}  // namespace

CCdWavFile::~CCdWavFile() {
    if (IsOpen()) Close();
}

bool CCdWavFile::Open(const std::string& path) {
    if (IsOpen()) Close();
    m_nWriteError = 0;
    m_dataBytes = 0;
    // Not blocking in open, so that a FIFO nobody reads cannot hold the rip for ever.
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (m_fd < 0) return false;
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    const auto header = Header(0);
    WriteAll(header.data(), header.size());
    return true;
}

bool CCdWavFile::WriteAll(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = write(m_fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing (a full disc) is as much a failure as one that fails.
            if (m_nWriteError == 0) m_nWriteError = n < 0 ? errno : ENOSPC;
            return false;
        }
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CCdWavFile::Write(const void* bytes, std::size_t count) {
    if (!IsOpen() || m_nWriteError != 0) return false;
    if (m_dataBytes + count > kMaxDataBytes) {
        m_nWriteError = EFBIG;
        return false;
    }
    // Only what reached the file is counted, so that the header never claims more.
    const off_t before = lseek(m_fd, 0, SEEK_CUR);
    const bool ok = WriteAll(bytes, count);
    const off_t after = lseek(m_fd, 0, SEEK_CUR);
    if (ok)
        m_dataBytes += count;
    else if (before >= 0 && after > before)
        m_dataBytes += static_cast<std::uint64_t>(after - before) & ~std::uint64_t{3};
    return ok;
}

bool CCdWavFile::Close() {
    if (!IsOpen()) return false;
    const auto header = Header(static_cast<std::uint32_t>(m_dataBytes));
    bool ok = pwrite(m_fd, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
    // A partial last frame is cut off, so that the file holds whole frames only.
    ok = ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + m_dataBytes)) == 0 && ok;
    ok = close(m_fd) == 0 && ok;
    m_fd = -1;
    return ok;
}
