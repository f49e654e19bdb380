#include "engine/VocalReduction.h"

#include <atomic>
#include <cstdint>

namespace {

// Bits 9..24 of the 32-bit weighted difference, as a sample. The arithmetic is done in unsigned
// 32 bits: it wraps exactly as two's complement would, so it can never overflow, and the bits
// kept lie below the sign fill, so they are the same as those of an arithmetic shift.
inline std::int16_t ReducedSample(std::int32_t left, std::int32_t right, std::int32_t weight) {
    const std::uint32_t t =
        static_cast<std::uint32_t>(left) * static_cast<std::uint32_t>(256 - weight) -
        static_cast<std::uint32_t>(right) * static_cast<std::uint32_t>(weight);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(t >> 9));
}

}  // namespace

void VocalReductionDSP(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void* user) {
    const auto& level = *static_cast<const std::atomic<int>*>(user);
    auto* samples = static_cast<std::int16_t*>(buffer);
    const audio::DWORD count = length / 2;
    for (audio::DWORD i = 0; i + 1 < count; i += 2) {
        // Read per pair: the slider may move while a buffer is being processed.
        const std::int32_t weight = level.load(std::memory_order_relaxed);
        const std::int16_t value = ReducedSample(samples[i], samples[i + 1], weight);
        samples[i] = value;
        samples[i + 1] = value;
    }
}
