// The WAVE reader on real pipes: the writer hands the stream over in small pieces, as a pipe
// may deliver it, and the reader must never seek.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "WaveReader.h"
#include "faac/TestWave.h"

namespace {

using faactest::WaveSpec;

// Feeds bytes into a pipe from a thread, `piece` bytes per write, then closes it.
class PipeFeed {
public:
    PipeFeed(std::string bytes, std::size_t piece) {
        ::signal(SIGPIPE, SIG_IGN);
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        readEnd_ = ends[0];
        writer_ = std::thread([bytes = std::move(bytes), piece, fd = ends[1]] {
            for (std::size_t at = 0; at < bytes.size();) {
                const ssize_t wrote =
                    ::write(fd, bytes.data() + at, std::min(piece, bytes.size() - at));
                if (wrote <= 0) break;
                at += static_cast<std::size_t>(wrote);
            }
            ::close(fd);
        });
    }
    ~PipeFeed() {
        ::close(readEnd_);  // a reader that stopped early unblocks the writer
        writer_.join();
    }
    int ReadEnd() const { return readEnd_; }

private:
    int readEnd_ = -1;
    std::thread writer_;
};

struct ReadResult {
    faac::WaveFormat format;
    std::string audio;
};

ReadResult ReadThroughPipe(const std::string& stream, std::size_t piece = 3,
                           std::size_t bufferBytes = 1000) {
    PipeFeed feed(stream, piece);
    faac::FileDescriptorSource source(feed.ReadEnd());
    faac::WaveReader reader(source);
    ReadResult result{reader.Format(), {}};
    std::vector<std::byte> buffer(bufferBytes);
    while (const std::size_t frames = reader.ReadFrames(buffer)) {
        result.audio.append(reinterpret_cast<const char*>(buffer.data()),
                            frames * static_cast<std::size_t>(result.format.BytesPerFrame()));
    }
    return result;
}

std::string ErrorOf(const std::string& stream) {
    try {
        ReadThroughPipe(stream);
    } catch (const faac::WaveError& error) {
        return error.what();
    }
    return "(accepted)";
}

void SetLe16(std::string& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

TEST(FaacWaveReader, StreamOfUnknownLengthRunsToTheEndOfTheInput) {
    WaveSpec spec{.sampleRate = 44100, .channels = 2, .extraChunk = true, .seconds = 0.05};
    const std::string pcm = faactest::TonePcm(spec);
    const ReadResult result = ReadThroughPipe(faactest::WaveHeader(spec, 0) + pcm);
    EXPECT_EQ(result.format.kind, faac::SampleKind::kInteger);
    EXPECT_EQ(result.format.sampleRate, 44100);
    EXPECT_EQ(result.format.channels, 2);
    EXPECT_EQ(result.format.bitsPerSample, 16);
    EXPECT_FALSE(result.format.dataBytes.has_value());
    EXPECT_TRUE(result.audio == pcm)
        << "audio differs: " << result.audio.size() << " bytes of " << pcm.size();
}

TEST(FaacWaveReader, DataSizeOfAllOnesAlsoMeansUnknown) {
    WaveSpec spec{.channels = 1, .seconds = 0.02};
    std::string stream = faactest::ToneWave(spec);
    std::memset(stream.data() + stream.find("data") + 4, 0xFF, 4);
    const ReadResult result = ReadThroughPipe(stream);
    EXPECT_FALSE(result.format.dataBytes.has_value());
    EXPECT_EQ(result.audio, faactest::TonePcm(spec));
}

TEST(FaacWaveReader, AKnownDataSizeEndsTheAudioBeforeWhatFollows) {
    WaveSpec spec{.channels = 2, .unknownSizes = false, .seconds = 0.02};
    const std::string pcm = faactest::TonePcm(spec);
    const std::string trailer("LIST\x04\0\0\0INFO", 12);
    const ReadResult result = ReadThroughPipe(faactest::ToneWave(spec) + trailer, 7, 4096);
    ASSERT_TRUE(result.format.dataBytes.has_value());
    EXPECT_EQ(*result.format.dataBytes, pcm.size());
    EXPECT_EQ(result.audio, pcm);
}

TEST(FaacWaveReader, ADataSizeBeyondTheInputEndsWithTheInput) {
    WaveSpec spec{.channels = 2, .unknownSizes = false, .seconds = 0.02};
    const std::string pcm = faactest::TonePcm(spec);
    const std::string header =
        faactest::WaveHeader(spec, static_cast<std::uint32_t>(pcm.size() * 10));
    EXPECT_EQ(ReadThroughPipe(header + pcm).audio, pcm);
}

TEST(FaacWaveReader, AFrameCutOffByTheEndIsDropped) {
    WaveSpec spec{.channels = 2, .bits = 24, .seconds = 0.01};
    const std::string pcm = faactest::TonePcm(spec);
    const std::string cut = pcm.substr(0, pcm.size() - 4);  // one and a third frames short
    const ReadResult result = ReadThroughPipe(faactest::WaveHeader(spec, 0) + cut, 5, 60);
    EXPECT_EQ(result.audio, pcm.substr(0, pcm.size() - 6));
}

TEST(FaacWaveReader, EverySampleLayoutItTakes) {
    const std::vector<WaveSpec> specs = {
        {.channels = 1, .bits = 8},
        {.channels = 2, .bits = 24},
        {.channels = 2, .bits = 32},
        {.channels = 2, .bits = 32, .isFloat = true},
        {.channels = 1, .bits = 64, .isFloat = true},
        {.channels = 2, .bits = 16, .extensible = true},
        {.channels = 6, .bits = 32, .isFloat = true, .extensible = true},
        {.channels = 8, .bits = 24, .extensible = true},
    };
    for (WaveSpec spec : specs) {
        spec.seconds = 0.01;
        const ReadResult result = ReadThroughPipe(faactest::ToneWave(spec), 64, 4800);
        EXPECT_EQ(result.format.kind,
                  spec.isFloat ? faac::SampleKind::kFloat : faac::SampleKind::kInteger);
        EXPECT_EQ(result.format.channels, spec.channels);
        EXPECT_EQ(result.format.bitsPerSample, spec.bits);
        EXPECT_EQ(result.audio, faactest::TonePcm(spec))
            << spec.channels << " channels of " << spec.bits << " bits";
    }
}

TEST(FaacWaveReader, BrokenOrForeignStreamsAreRefusedWithTheirFault) {
    const WaveSpec plain{.seconds = 0.01};
    const std::string good = faactest::ToneWave(plain);
    const std::size_t fmt = good.find("fmt ");
    const std::size_t data = good.find("data");

    std::string zeroChannels = good;
    SetLe16(zeroChannels, fmt + 10, 0);
    std::string nineChannels = good;
    SetLe16(nineChannels, fmt + 10, 9);
    std::string zeroRate = good;
    std::memset(zeroRate.data() + fmt + 12, 0, 4);
    std::string mp3Tag = good;
    SetLe16(mp3Tag, fmt + 8, 0x0055);
    std::string twelveBits = good;
    SetLe16(twelveBits, fmt + 22, 12);
    std::string sixteenBitFloat = good;
    SetLe16(sixteenBitFloat, fmt + 8, 3);
    std::string shortFormat = good;
    shortFormat[fmt + 4] = 14;
    std::string foreignSubFormat = faactest::ToneWave({.extensible = true, .seconds = 0.01});
    foreignSubFormat[foreignSubFormat.find("fmt ") + 8 + 24 + 5] = 0x7F;
    const std::string dataFirst =
        good.substr(0, 12) + good.substr(data) + good.substr(fmt, data - fmt);

    struct Case {
        std::string name;
        std::string stream;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"empty", "", "the input is empty"},
        {"text", "This is not a WAVE file at all.", "not a WAVE stream"},
        {"AVI", std::string("RIFF\0\0\0\0AVI LIST", 16), "not a WAVE stream"},
        {"cut in the RIFF header", good.substr(0, 9), "not a WAVE stream"},
        {"cut in a chunk header", good.substr(0, 15), "cut short (in a chunk header)"},
        {"cut in the format chunk", good.substr(0, fmt + 8 + 10),
         "cut short (in the format chunk)"},
        {"no chunks", good.substr(0, 12), "no format chunk"},
        {"format but no data", good.substr(0, data), "no data chunk"},
        {"data before format", dataFirst, "no format chunk before its data"},
        {"short format chunk", shortFormat, "format chunk is too short (14 bytes)"},
        {"MPEG Layer-3 tag", mp3Tag, "unsupported WAVE sample format (tag 0x0055)"},
        {"no channels", zeroChannels, "unsupported channel count 0"},
        {"nine channels", nineChannels, "unsupported channel count 9"},
        {"rate zero", zeroRate, "unsupported sample rate 0 Hz"},
        {"12-bit PCM", twelveBits, "unsupported sample size of 12 bits"},
        {"16-bit float", sixteenBitFloat, "unsupported sample size of 16 bits"},
        {"foreign sub-format", foreignSubFormat, "unsupported WAVE_FORMAT_EXTENSIBLE sub-format"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.stream);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << c.name << ": got \"" << error << "\", expected \"" << c.expected << "\"";
    }
}

}  // namespace
