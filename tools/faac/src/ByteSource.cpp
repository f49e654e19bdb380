#include "ByteSource.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace faac {

std::size_t ByteSource::ReadFully(std::span<std::byte> into) {
    std::size_t total = 0;
    while (total < into.size()) {
        const std::size_t got = Read(into.subspan(total));
        if (got == 0) break;
        total += got;
    }
    return total;
}

std::size_t FileDescriptorSource::Read(std::span<std::byte> into) {
    if (into.empty()) return 0;
    for (;;) {
        if (stopRequested_ != nullptr && *stopRequested_ != 0) return 0;
        const ssize_t got = ::read(fd_, into.data(), into.size());
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        throw InputError(std::string("cannot read the input: ") + std::strerror(errno));
    }
}

}  // namespace faac
