#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

// Converts 16-bit interleaved PCM from one sample rate and channel count to another, block by
// block, keeping the resampler's state between blocks (a mono block is heard in both channels).
// For encoders that take one format only.
class CPcmConverter {
public:
    CPcmConverter(int inRate, int inChannels, int outRate, int outChannels);
    ~CPcmConverter();
    CPcmConverter(const CPcmConverter&) = delete;
    CPcmConverter& operator=(const CPcmConverter&) = delete;

    // False when the conversion cannot be set up.
    bool IsReady() const { return m_pContext != nullptr; }
    // True when the formats are the same: blocks pass unchanged.
    bool IsIdentity() const { return m_bIdentity; }

    // Converts `frames` frames; the result stays valid until the next call.
    const std::vector<std::int16_t>& Convert(const std::int16_t* samples, int frames);
    // What the resampler still holds, at the end of the stream.
    const std::vector<std::int16_t>& Flush();

private:
    const std::vector<std::int16_t>& Run(const std::uint8_t* const* input, int frames);

    SwrContext* m_pContext = nullptr;
    int m_nInRate, m_nOutRate, m_nOutChannels;
    bool m_bIdentity;
    std::vector<std::int16_t> m_output;
};
