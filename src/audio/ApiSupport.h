// Shared helpers of the public operations: finding a channel by handle and holding its lock.
#pragma once

#include <mutex>

#include "audio/AudioSystem.h"
#include "audio/ErrorState.h"

namespace audio::detail {

struct LockedChannel {
    ChannelPtr channel;
    std::unique_lock<InheritingMutex> lock;
    explicit operator bool() const { return channel != nullptr; }
    Channel* operator->() const { return channel.get(); }
};

// The channel behind `handle`, locked; empty (with ERROR_HANDLE set) when there is none.
inline LockedChannel LockChannel(DWORD handle) {
    LockedChannel locked;
    locked.channel = AudioSystem::Get().FindChannel(handle);
    if (!locked.channel) {
        SetError(ERROR_HANDLE);
        return locked;
    }
    locked.lock = std::unique_lock(locked.channel->Mutex());
    return locked;
}

// Success: clears the error code and returns `result`.
template <typename T>
T Succeed(T result) {
    SetError(ERROR_OK);
    return result;
}

}  // namespace audio::detail
