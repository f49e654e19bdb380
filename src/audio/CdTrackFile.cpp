#include "audio/CdTrackFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "audio/Audio.h"

namespace audio::detail {

namespace {

bool ParseTrackNumber(const std::string& s, int& number) {
    if (s.empty() || s.size() > 2) return false;
    number = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return number >= 1 && number <= kCdMaxTrackNumber;
}

}  // namespace

bool ParseCdTrackFile(const std::string& text, CdTrackRef& ref) {
    if (text.find('\0') != std::string::npos) return false;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    if (lines.size() != 2) return false;
    CdTrackRef parsed;
    bool haveDevice = false, haveTrack = false;
    for (const std::string& line : lines) {
        if (line.starts_with("device=") && !haveDevice) {
            parsed.device = line.substr(7);
            haveDevice = !parsed.device.empty();
            if (!haveDevice) return false;
        } else if (line.starts_with("track=") && !haveTrack) {
            if (!ParseTrackNumber(line.substr(6), parsed.track)) return false;
            haveTrack = true;
        } else {
            return false;
        }
    }
    if (!haveDevice || !haveTrack) return false;
    ref = std::move(parsed);
    return true;
}

int ReadCdTrackFile(const std::string& path, CdTrackRef& ref) {
    // Non-blocking, so that a FIFO named like a track file cannot hold the caller.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return ERROR_FILEOPEN;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ERROR_FILEOPEN;
    }
    std::string text(kCdTrackFileMaxBytes + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ERROR_FILEOPEN;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    if (got > kCdTrackFileMaxBytes) return ERROR_FILEFORM;
    text.resize(got);
    return ParseCdTrackFile(text, ref) ? ERROR_OK : ERROR_FILEFORM;
}

}  // namespace audio::detail
