#include "audio/Futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace audio::detail {

namespace {
std::uint32_t* Address(std::atomic<std::uint32_t>& word) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
    return reinterpret_cast<std::uint32_t*>(&word);
}
}  // namespace

bool FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected,
               std::chrono::milliseconds timeout) {
    const timespec ts{static_cast<time_t>(timeout.count() / 1000),
                      static_cast<long>(timeout.count() % 1000) * 1000000L};
    return syscall(SYS_futex, Address(word), FUTEX_WAIT_PRIVATE, expected, &ts, nullptr, 0) == 0 ||
           errno != ETIMEDOUT;
}

void FutexWakeOne(std::atomic<std::uint32_t>& word) {
    syscall(SYS_futex, Address(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace audio::detail
