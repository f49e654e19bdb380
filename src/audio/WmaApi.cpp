// Public operations of the WMA encoding family.
#include <memory>
#include <mutex>
#include <unordered_map>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/WmaEncoders.h"
#include "audio/WmaFileEncoder.h"
#include "audio/WmaRates.h"

namespace audio {

using namespace detail;

namespace {

struct WmaEncoders {
    std::mutex mutex;  // guards the map only; each encoder has its own lock
    std::unordered_map<HWMENCODE, std::shared_ptr<WmaFileEncoder>> open;
};

WmaEncoders& Encoders() {
    static WmaEncoders encoders;
    return encoders;
}

std::shared_ptr<WmaFileEncoder> FindEncoder(HWMENCODE handle) {
    WmaEncoders& all = Encoders();
    std::lock_guard lock(all.mutex);
    auto it = all.open.find(handle);
    return it == all.open.end() ? nullptr : it->second;
}

}  // namespace

namespace detail {

void CloseAllWmaEncoders() {
    decltype(WmaEncoders::open) taken;
    {
        WmaEncoders& all = Encoders();
        std::lock_guard lock(all.mutex);
        taken.swap(all.open);
    }
    for (auto& entry : taken) entry.second->Close();
}

}  // namespace detail

const DWORD* WMA_EncodeGetRates(DWORD freq, DWORD chans, DWORD /*flags*/) {
    const DWORD* rates = WmaRates(freq, chans);
    if (!rates) return Fail(ERROR_NOTAVAIL, static_cast<const DWORD*>(nullptr));
    return Succeed(rates);
}

HWMENCODE WMA_EncodeOpenFile(DWORD freq, DWORD chans, DWORD /*flags*/, DWORD bitrate,
                             const char* file) {
    if (!IsWmaRate(freq, chans, bitrate)) return Fail(ERROR_WMA_CODEC, HWMENCODE{0});
    if (!file) return Fail(ERROR_CREATE, HWMENCODE{0});
    int error = ERROR_OK;
    std::shared_ptr<WmaFileEncoder> encoder = WmaFileEncoder::Open(
        static_cast<int>(freq), static_cast<int>(chans), static_cast<int>(bitrate), file, error);
    if (!encoder) return Fail(error, HWMENCODE{0});
    const HWMENCODE handle = AudioSystem::Get().NewHandle();
    WmaEncoders& all = Encoders();
    std::lock_guard lock(all.mutex);
    all.open.emplace(handle, std::move(encoder));
    return Succeed(handle);
}

BOOL WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length) {
    const std::shared_ptr<WmaFileEncoder> encoder = FindEncoder(handle);
    if (!encoder) return Fail(ERROR_HANDLE, 0);
    if (length > 0 && !buffer) return Fail(ERROR_ILLPARAM, 0);
    if (!encoder->Write(buffer, length)) return Fail(ERROR_CREATE, 0);
    return Succeed(1);
}

BOOL WMA_EncodeClose(HWMENCODE handle) {
    std::shared_ptr<WmaFileEncoder> encoder;
    {
        WmaEncoders& all = Encoders();
        std::lock_guard lock(all.mutex);
        auto it = all.open.find(handle);
        if (it == all.open.end()) return Fail(ERROR_HANDLE, 0);
        encoder = std::move(it->second);
        all.open.erase(it);
    }
    if (!encoder->Close()) return Fail(ERROR_CREATE, 0);
    return Succeed(1);
}

}  // namespace audio
