// Streams fed by a procedure of the caller (StreamCreate): what the procedure gives comes out
// with the channel's own processing, however the procedure cuts it up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "AudioTestSupport.h"
#include "support/TestAudio.h"

using namespace audio_test;

namespace {

constexpr int kRate = 44100;

// Hands out `samples` in pieces of the sizes in `pieces` (bytes, used in turn), then the end.
struct Feed {
    std::vector<std::int16_t> samples;
    std::vector<audio::DWORD> pieces;
    std::size_t next = 0;  // bytes given so far
    std::size_t calls = 0;
};

audio::DWORD FeedProc(audio::HSTREAM, void* buffer, audio::DWORD length, void* user) {
    auto& f = *static_cast<Feed*>(user);
    const std::size_t total = f.samples.size() * 2;
    const audio::DWORD piece = f.pieces[f.calls++ % f.pieces.size()];
    const auto n =
        static_cast<audio::DWORD>(std::min<std::size_t>({length, piece, total - f.next}));
    std::memcpy(buffer, reinterpret_cast<const char*>(f.samples.data()) + f.next, n);
    f.next += n;
    return f.next == total ? n | audio::STREAMPROC_END : n;
}

// Music-like material that never repeats: a sweep on the left, noise on the right.
std::vector<std::int16_t> Material(std::size_t frames) {
    return test_audio::SweepAndNoise(frames, kRate, 400, 12345u);
}

void Halve(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void*) {
    auto* s = static_cast<std::int16_t*>(buffer);
    for (audio::DWORD i = 0; i < length / 2; ++i) s[i] = static_cast<std::int16_t>(s[i] / 2 + 7);
}

void AddEffects(audio::DWORD h) {
    ASSERT_NE(audio::ChannelSetDSP(h, &Halve, nullptr, 2), 0u);
    for (const float centre : {8000.f, 1000.f, 125.f}) {
        const audio::HFX fx = audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0);
        ASSERT_NE(fx, 0u);
        const audio::FXPARAMEQ p{centre, 12, centre > 500 ? 9.f : -12.f};
        ASSERT_TRUE(audio::FXSetParameters(fx, &p));
    }
}

// Every sample comes out once, in order, processed as the same samples read from a file are:
// the stream's effects keep their state across the pieces.
TEST(ProcStream, GivesTheProcedureSamplesProcessedAsAFileWouldBeHoweverTheyAreCut) {
    TempDir dir;
    const std::vector<std::int16_t> material = Material(kRate);
    const std::string wav = dir.File("material.wav");
    WriteWav(wav, kRate, 2, material);
    const audio::HSTREAM file = audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(file, 0u);
    AddEffects(file);
    const std::vector<std::int16_t> expected = ReadAll(file);
    audio::StreamFree(file);

    // Pieces of odd sizes, and now and then nothing (a short read).
    Feed feed{material, {20000, 4, 0, 1236, 8192, 12}};
    const audio::HSTREAM h = audio::StreamCreate(kRate, 2, audio::STREAM_DECODE, &FeedProc, &feed);
    ASSERT_NE(h, 0u);
    AddEffects(h);
    std::vector<std::int16_t> got;
    std::vector<std::int16_t> block(5000);
    for (int guard = 0; guard < 100000; ++guard) {
        const audio::DWORD n = audio::ChannelGetData(h, block.data(), 10000);
        if (n == audio::DWORD(-1)) break;
        got.insert(got.end(), block.begin(), block.begin() + n / 2);
    }
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
    EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_STOPPED);
    audio::CHANNELINFO info{};
    ASSERT_TRUE(audio::ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, unsigned(kRate));
    EXPECT_EQ(info.chans, 2u);
    EXPECT_EQ(audio::ChannelGetPosition(h), got.size() * 2);
    EXPECT_EQ(audio::ChannelGetLength(h), got.size() * 2);
    audio::StreamFree(h);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

// Three samples a call, numbered by the call: a frame and half of one.
audio::DWORD FrameAndAHalf(audio::HSTREAM, void* buffer, audio::DWORD length, void* user) {
    auto& calls = *static_cast<int*>(user);
    if (length < 4) return 0;
    auto* s = static_cast<std::int16_t*>(buffer);
    ++calls;
    s[0] = s[1] = static_cast<std::int16_t>(calls);
    if (length < 6) return 4;
    s[2] = -1;
    return 6;
}

audio::DWORD Overlong(audio::HSTREAM, void*, audio::DWORD length, void*) {
    return length + 4;
}

audio::DWORD Failing(audio::HSTREAM, void*, audio::DWORD, void*) {
    return audio::DWORD(-1);
}

TEST(ProcStream, BadCountsEndItAndBadArgumentsAreRefused) {
    // A count beyond the buffer is no data: the stream ends with nothing.
    for (audio::STREAMPROC* proc : {&Overlong, &Failing}) {
        const audio::HSTREAM h = audio::StreamCreate(kRate, 2, audio::STREAM_DECODE, proc, nullptr);
        ASSERT_NE(h, 0u);
        std::vector<std::int16_t> block(1000);
        EXPECT_EQ(audio::ChannelGetData(h, block.data(), 2000), audio::DWORD(-1));
        EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
        EXPECT_EQ(audio::ChannelGetLength(h), 0u);
        audio::StreamFree(h);
    }

    // A partial frame is not placed: the next call writes over it.
    int calls = 0;
    const audio::HSTREAM halves =
        audio::StreamCreate(kRate, 2, audio::STREAM_DECODE, &FrameAndAHalf, &calls);
    ASSERT_NE(halves, 0u);
    std::vector<std::int16_t> frames(200);
    ASSERT_EQ(audio::ChannelGetData(halves, frames.data(), 400), 400u);
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i], static_cast<std::int16_t>(i / 2 + 1)) << "sample " << i;
    audio::StreamFree(halves);

    // It cannot seek away from where it is.
    Feed feed{Material(1000), {400}};
    const audio::HSTREAM h = audio::StreamCreate(kRate, 2, audio::STREAM_DECODE, &FeedProc, &feed);
    ASSERT_NE(h, 0u);
    std::vector<std::int16_t> block(200);
    ASSERT_EQ(audio::ChannelGetData(h, block.data(), 400), 400u);
    EXPECT_FALSE(audio::ChannelSetPosition(h, 0));
    EXPECT_TRUE(audio::ChannelSetPosition(h, 400));
    audio::StreamFree(h);

    EXPECT_EQ(audio::StreamCreate(kRate, 2, audio::STREAM_DECODE, nullptr, nullptr), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    for (const auto& [freq, chans] :
         {std::pair{0u, 2u}, {999u, 2u}, {384001u, 2u}, {kRate, 0u}, {kRate, 9u}}) {
        EXPECT_EQ(audio::StreamCreate(freq, chans, audio::STREAM_DECODE, &Failing, nullptr), 0u);
        EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM) << freq << " Hz, " << chans;
    }
    EXPECT_EQ(audio::StreamCreate(kRate, 2, 0, &Failing, nullptr), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);
}

}  // namespace
