// What a heard song's reader gets through the thread that decodes ahead is exactly what the
// decoder gives: across the ring's turns, seeks back into what it still holds, seeks beyond it,
// and jumps that land on the spare (at its target, or within the moments before it).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/PlaybackFeed.h"

namespace {

using audio::detail::FileDecoder;
using audio::detail::PlaybackFeed;
using audio_test::Ffmpeg;
using audio_test::TempDir;

constexpr int kRate = 44100;

std::unique_ptr<FileDecoder> Open(const std::string& path) {
    int error = 0;
    return FileDecoder::Open(path, audio::detail::ContainerFilter::Any, nullptr, error);
}

// One step of a reader's life: aim the spare, move, then read.
struct Step {
    std::int64_t aim;   // frame, or -1 for none
    std::int64_t seek;  // frame, or -1 for none
    int read;           // frames
};

TEST(PlaybackFeed, ReadsExactlyWhatTheDecoderGivesThroughSeeksAndJumps) {
    TempDir dir;
    const std::string song = dir.File("song.mp3");
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=frequency=440:duration=14 -f lavfi -i "
               "anoisesrc=duration=14:amplitude=0.2 -filter_complex "
               "[0:a][1:a]amerge=inputs=2 -ar 44100 -c:a libmp3lame",
               song));
    std::unique_ptr<FileDecoder> whole = Open(song);
    ASSERT_TRUE(whole);
    std::vector<std::int16_t> all(static_cast<std::size_t>(whole->Length()) * 2);
    ASSERT_EQ(whole->Read(all.data(), static_cast<int>(whole->Length())),
              static_cast<int>(whole->Length()));

    std::unique_ptr<FileDecoder> decoder = Open(song);
    ASSERT_TRUE(decoder);
    FileDecoder::Twin twin = decoder->TwinOf();
    std::unique_ptr<PlaybackFeed> feed = PlaybackFeed::Start(decoder, std::move(twin));
    ASSERT_TRUE(feed);

    const std::int64_t ring = kRate * PlaybackFeed::kRingMs / 1000;
    const std::int64_t leadIn = kRate * PlaybackFeed::kLeadInMs / 1000;
    const Step steps[] = {
        {-1, -1, 1},
        {-1, -1, 4095},
        {-1, -1, 3 * kRate},  // through the first turn
        {-1, -1, 333},
        {-1, 2 * kRate, 5000},                         // back into what the ring still holds
        {-1, 3 * kRate + ring, 20000},                 // beyond it
        {kRate, kRate, 9000},                          // a jump onto the spare's target
        {kRate, kRate - leadIn / 2, 7000},             // ... and within its lead-in
        {12 * kRate, 12 * kRate - leadIn, 4 * kRate},  // re-aimed; read past the end
        {-1, 0, 8192},
    };
    std::int64_t position = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE("aim " + std::to_string(step.aim) + ", seek " + std::to_string(step.seek));
        if (step.aim >= 0) {
            feed->Aim(static_cast<std::uint64_t>(step.aim));
            // The spare is made ready on the feed's own thread.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        if (step.seek >= 0) {
            ASSERT_TRUE(feed->Seek(static_cast<std::uint64_t>(step.seek)));
            position = step.seek;
        }
        ASSERT_EQ(feed->Position(), static_cast<std::uint64_t>(position));
        std::vector<std::int16_t> got(static_cast<std::size_t>(step.read) * 2);
        const int n = feed->Read(got.data(), step.read);
        const auto expected = std::min<std::int64_t>(
            step.read, static_cast<std::int64_t>(whole->Length()) - position);
        ASSERT_EQ(n, expected);
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + 2 * n, all.begin() + 2 * position))
            << "the samples differ";
        position += n;
    }
}

}  // namespace
