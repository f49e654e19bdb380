#include "WaveReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace faac {
namespace {

constexpr std::uint16_t kTagPcm = 0x0001;
constexpr std::uint16_t kTagFloat = 0x0003;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::size_t kPlainFormatBytes = 16;
constexpr std::size_t kExtensibleFormatBytes = 40;
// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE is KSDATAFORMAT_SUBTYPE_xxx: the old format tag
// in its first two bytes, then these fourteen.
constexpr std::array<unsigned char, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Sizes a writer puts in the data chunk while it does not know the length yet.
constexpr std::uint32_t kUnknownSizeZero = 0;
constexpr std::uint32_t kUnknownSizeAllOnes = 0xFFFFFFFF;

std::uint32_t Le32(const std::byte* p) {
    return std::to_integer<std::uint32_t>(p[0]) | std::to_integer<std::uint32_t>(p[1]) << 8 |
           std::to_integer<std::uint32_t>(p[2]) << 16 | std::to_integer<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::byte* p) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) |
                                      std::to_integer<unsigned>(p[1]) << 8);
}

std::string_view FourCc(const std::byte* p) {
    return {reinterpret_cast<const char*>(p), 4};
}

// Reads exactly into.size() bytes or reports the header as cut short.
void ReadHeaderBytes(ByteSource& source, std::span<std::byte> into, const char* what) {
    if (source.ReadFully(into) != into.size())
        throw WaveError(std::string("the WAVE header is cut short (in the ") + what + ")");
}

void Skip(ByteSource& source, std::uint64_t bytes, const char* what) {
    std::array<std::byte, 4096> scratch;
    while (bytes > 0) {
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes, scratch.size()));
        ReadHeaderBytes(source, std::span(scratch).first(step), what);
        bytes -= step;
    }
}

std::string Hex(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x0000";
    for (int i = 5; i >= 2; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

WaveFormat ParseFormat(std::span<const std::byte> chunk) {
    if (chunk.size() < kPlainFormatBytes)
        throw WaveError("the WAVE format chunk is too short (" + std::to_string(chunk.size()) +
                        " bytes)");
    std::uint16_t tag = Le16(&chunk[0]);
    if (tag == kTagExtensible) {
        if (chunk.size() < kExtensibleFormatBytes)
            throw WaveError("the WAVE_FORMAT_EXTENSIBLE format chunk is too short");
        const std::byte* guid = &chunk[24];
        if (std::memcmp(guid + 2, kSubFormatTail.data(), kSubFormatTail.size()) != 0)
            throw WaveError("unsupported WAVE_FORMAT_EXTENSIBLE sub-format");
        tag = Le16(guid);
    }
    WaveFormat format;
    if (tag == kTagPcm) {
        format.kind = SampleKind::kInteger;
    } else if (tag == kTagFloat) {
        format.kind = SampleKind::kFloat;
    } else {
        throw WaveError("unsupported WAVE sample format (tag " + Hex(tag) +
                        "); only PCM and IEEE floating point can be encoded");
    }
    format.channels = Le16(&chunk[2]);
    const std::uint32_t rate = Le32(&chunk[4]);
    format.bitsPerSample = Le16(&chunk[14]);
    if (format.channels < 1 || format.channels > kMaxChannels)
        throw WaveError("unsupported channel count " + std::to_string(format.channels) + " (1 to " +
                        std::to_string(kMaxChannels) + " can be encoded)");
    if (rate < 1 || rate > kMaxSampleRate)
        throw WaveError("unsupported sample rate " + std::to_string(rate) + " Hz");
    format.sampleRate = static_cast<int>(rate);
    const int bits = format.bitsPerSample;
    const bool integerOk = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool floatOk = bits == 32 || bits == 64;
    if (format.kind == SampleKind::kInteger ? !integerOk : !floatOk)
        throw WaveError("unsupported sample size of " + std::to_string(bits) +
                        " bits (PCM: 8, 16, 24 or 32; floating point: 32 or 64)");
    return format;
}

}  // namespace

WaveReader::WaveReader(ByteSource& source) : source_(source) {
    std::array<std::byte, 12> riff;
    const std::size_t got = source_.ReadFully(riff);
    if (got == 0) throw WaveError("the input is empty (expected a WAVE stream)");
    if (got < riff.size() || (FourCc(&riff[0]) != "RIFF" && FourCc(&riff[0]) != "RF64") ||
        FourCc(&riff[8]) != "WAVE")
        throw WaveError("the input is not a WAVE stream (no RIFF/WAVE header)");

    bool haveFormat = false;
    for (;;) {
        std::array<std::byte, 8> header;
        const std::size_t headerGot = source_.ReadFully(header);
        if (headerGot == 0)
            throw WaveError(haveFormat ? "the WAVE stream has no data chunk"
                                       : "the WAVE stream has no format chunk");
        if (headerGot < header.size())
            throw WaveError("the WAVE header is cut short (in a chunk header)");
        const std::string_view id = FourCc(&header[0]);
        const std::uint32_t size = Le32(&header[4]);
        if (id == "data") {
            if (!haveFormat) throw WaveError("the WAVE stream has no format chunk before its data");
            if (size != kUnknownSizeZero && size != kUnknownSizeAllOnes) format_.dataBytes = size;
            bytesLeft_ = format_.dataBytes;
            return;
        }
        // Chunks are padded to an even length.
        const std::uint64_t padded = std::uint64_t{size} + (size & 1u);
        if (id == "fmt ") {
            // Only the leading 40 bytes matter; a longer chunk's tail is skipped.
            std::vector<std::byte> chunk(std::min<std::uint64_t>(size, kExtensibleFormatBytes));
            ReadHeaderBytes(source_, chunk, "format chunk");
            format_ = ParseFormat(chunk);
            haveFormat = true;
            Skip(source_, padded - chunk.size(), "format chunk");
        } else {
            Skip(source_, padded, "a chunk before the data");
        }
    }
}

std::size_t WaveReader::ReadFrames(std::span<std::byte> into) {
    const std::size_t frameBytes = static_cast<std::size_t>(format_.BytesPerFrame());
    std::size_t want = into.size() / frameBytes * frameBytes;
    if (bytesLeft_)
        want = static_cast<std::size_t>(
            std::min<std::uint64_t>(want, *bytesLeft_ / frameBytes * frameBytes));
    if (ended_ || want == 0) return 0;
    const std::size_t got = source_.ReadFully(into.first(want));
    if (got < want) ended_ = true;
    if (bytesLeft_) *bytesLeft_ -= got;
    return got / frameBytes;
}

}  // namespace faac
