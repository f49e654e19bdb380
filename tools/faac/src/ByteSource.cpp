#include "ByteSource.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "StopSignals.h"

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
        if (stop_ != nullptr) {
            // Waiting is the only time the stop signals are let through (see StopSignals).
            pollfd ready = {.fd = fd_, .events = POLLIN, .revents = 0};
            if (stop_->Requested()) return 0;
            if (::ppoll(&ready, 1, nullptr, &stop_->WaitMask()) < 0) {
                if (errno == EINTR) continue;
                throw InputError(std::string("cannot read the input: ") + std::strerror(errno));
            }
        }
        const ssize_t got = ::read(fd_, into.data(), into.size());
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        throw InputError(std::string("cannot read the input: ") + std::strerror(errno));
    }
}

}  // namespace faac
