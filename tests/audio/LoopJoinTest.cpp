// Loop joins as read from a channel's source, and as heard through SDL's disk driver on a
// machine kept busy: no dip at any phase of a held sound, and compressed songs loop without a gap
// or a click at their joins.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioSystem.h"
#include "audio/LoopJoin.h"
#include "support/BusyLoad.h"
#include "support/DiskCapture.h"
#include "support/LoopSweep.h"
#include "support/ScopedEnv.h"

using namespace audio_test;

namespace {

constexpr int kRate = 44100;

struct Held {
    const char* name;
    bool chord;
    float tempoChange;
};

class LoopJoinDepthTest : public testing::TestWithParam<Held> {};

// Ten loop lengths a tenth of the sound's period apart: the end meets the start at every phase,
// opposite phases included, where a plain crossfade falls silent.
TEST_P(LoopJoinDepthTest, NoJoinDipsBelowTheHeldSoundAtAnyPhase) {
    const Held held = GetParam();
    TempDir dir;
    const testenv::ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    const testenv::ScopedEnv file("SDL_DISKAUDIOFILE", "");
    const testenv::BusyLoad load;
    std::uint64_t late = 0;
    const double depth =
        test_audio::LoopJoinDepth(held.chord ? test_audio::HeldChord() : test_audio::HeldTone(),
                                  held.tempoChange, 10, dir.File(""), late);
    ASSERT_GE(depth, 0) << "the layer failed: error " << audio::ErrorGetCode();
    EXPECT_EQ(late, 0u) << "output frames played late";
    EXPECT_GE(depth, 0.9);
}

INSTANTIATE_TEST_SUITE_P(Sounds, LoopJoinDepthTest,
                         testing::Values(Held{"Tone", false, 0}, Held{"ToneSlower", false, -25},
                                         Held{"Chord", true, 0}, Held{"ChordSlower", true, -25}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Song {
    const char* format;
    const char* ffmpegArgs;
    float tempoChange;
};

class CompressedLoopTest : public testing::TestWithParam<Song> {};

// The largest step between neighbouring samples (either channel) over frames [from, to).
int LargestStep(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    int largest = 0;
    for (std::size_t i = std::max<std::size_t>(from, 1); i < to && 2 * i + 1 < s.size(); ++i)
        for (std::size_t c = 0; c < 2; ++c)
            largest = std::max(largest, std::abs(int(s[2 * i + c]) - int(s[2 * i - 2 + c])));
    return largest;
}

// A held tone, encoded; a loop whose length meets it at no particular phase, named ahead as the
// loop editor names it, so that each jump takes the decoder kept ready at the start.
TEST_P(CompressedLoopTest, LoopsWithoutAGapOrAClickAtItsJoins) {
    const Song song = GetParam();
    TempDir dir;
    const std::string wav = dir.File("tone.wav"), coded = dir.File(std::string("tone.") + song.format);
    WriteWav(wav, kRate, 2, test_audio::MakeHeldSound(test_audio::HeldTone(), 4.0));
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' " + song.ffmpegArgs, coded));

    const audio::QWORD start = audio::QWORD(1.0 * kRate) * 4, end = audio::QWORD(1.4137 * kRate) * 4;
    constexpr int kPasses = 6;
    const double speed = 1 + song.tempoChange / 100;
    std::vector<std::int16_t> heard;
    std::uint64_t late = 0;
    {
        const testenv::BusyLoad load;
        const test_audio::DiskCapture capture(dir.File("heard.raw"));
        ASSERT_TRUE(audio::Init(-1, kRate, 0, nullptr, nullptr));
        const std::uint64_t lateBefore = audio::detail::AudioSystem::Get().LateFrames();
        const audio::HSTREAM source =
            audio::StreamCreateFile(false, coded.c_str(), 0, 0, audio::STREAM_DECODE);
        const audio::HSTREAM stream = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(audio::FX_TempoSet(stream, song.tempoChange, 0, 0));
        static audio::QWORD s_start;
        s_start = start;
        ASSERT_TRUE(audio::ChannelSetSync(
            stream, audio::SYNC_POS | audio::SYNC_MIXTIME, end,
            [](audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
                audio::ChannelSetPosition(channel, s_start);
            },
            nullptr));
        ASSERT_TRUE(audio::ChannelSetJumpTarget(stream, start));
        ASSERT_TRUE(audio::ChannelSetPosition(stream, start));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the landing gets ready
        ASSERT_TRUE(audio::ChannelPlay(stream, false));
        test_audio::PlayOutput((end - start) / 4.0 / kRate * kPasses / speed + 0.3);
        late = audio::detail::AudioSystem::Get().LateFrames() - lateBefore;
        audio::Free();
        heard = capture.Samples();
    }
    EXPECT_EQ(late, 0u) << "output frames played late";

    const std::size_t first = test_audio::loop_sweep_detail::FirstSound(heard);
    const auto pass = static_cast<std::size_t>((end - start) / 4 / speed);
    ASSERT_GT(heard.size() / 2, first + kPasses * pass);
    // The tone at 0.6 of full scale; a 10 ms window holding much less is a gap.
    const double toneRms = 0.6 * 32767 / std::sqrt(2.0);
    const int music = LargestStep(heard, first + kRate / 20, first + pass - kRate / 50);
    for (std::size_t w = first + kRate / 50; w + kRate / 100 < first + kPasses * pass;
         w += kRate / 1000)
        ASSERT_GE(Rms(heard.data() + 2 * w, kRate / 100, 2), 0.75 * toneRms)
            << "gap at output frame " << w;
    // No step anywhere beyond the music's own: the joins are no clicks.
    EXPECT_LE(LargestStep(heard, first + kRate / 50, first + kPasses * pass), music * 1.25);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CompressedLoopTest,
    testing::Values(Song{"mp3", "-c:a libmp3lame -b:a 192k", 0},
                    Song{"mp3", "-c:a libmp3lame -b:a 192k", -25},
                    Song{"ogg", "-c:a libvorbis -q:a 6", 0}, Song{"ogg", "-c:a libvorbis -q:a 6", -25},
                    Song{"m4a", "-c:a aac -b:a 192k", 0}, Song{"m4a", "-c:a aac -b:a 192k", -25}),
    [](const auto& info) {
        return std::string(info.param.format) + (info.param.tempoChange ? "Slower" : "");
    });

}  // namespace

namespace {

// A steady mono signal of `frames` frames, read like a channel's source; records what Take gets.
class SteadySource final : public audio::detail::FrameSource {
public:
    explicit SteadySource(std::uint64_t frames) : m_frames(frames) {}
    int Read(std::int16_t* dst, int frames, const audio::detail::RenderContext&) override {
        const auto n = static_cast<int>(
            std::min<std::uint64_t>(frames, m_frames - std::min(m_frames, m_position)));
        std::fill(dst, dst + n, kLevel);
        m_position += static_cast<std::uint64_t>(n);
        return n;
    }
    void Take(std::uint64_t start, const std::int16_t*, int frames) override {
        taken.emplace_back(start, frames);
    }
    std::uint64_t Position() override { return m_position; }
    bool AtEnd() override { return m_position >= m_frames; }
    void Seek(std::uint64_t frame) { m_position = frame; }

    static constexpr std::int16_t kLevel = 8000;
    std::vector<std::pair<std::uint64_t, int>> taken;

private:
    std::uint64_t m_frames;
    std::uint64_t m_position = 0;
};

}  // namespace

// A join read from the source being heard: the tail from where the jump leaves, the lead-in up
// to the loop's start; played, it counts as the last frames before the jump, so that positions
// stay inside the loop, and between alike parts it holds the level. After a silent tail (the song
// ends at the loop's end) there is no join: the end meets the start directly.
TEST(LoopJoinReading, AJoinIsReadFromTheSourceAndPlaysAsTheFramesBeforeTheJump) {
    struct Case {
        int fadeMs;
        std::uint64_t leaving, start;
        int chunk;
        bool made;
    };
    constexpr std::uint64_t kLength = kRate;
    for (const Case c : {Case{5, 30000, 10000, 64, true}, Case{50, 30000, 10000, 1000, true},
                         Case{0, 30000, 10000, 64, true}, Case{5, 30000, 100, 64, true},
                         Case{5, 30000, kLength + 100, 64, false},
                         Case{5, kLength, 10000, 64, true}}) {
        SCOPED_TRACE(testing::Message() << c.fadeMs << " ms, start " << c.start);
        audio::detail::LoopJoin join(kRate, 1);
        SteadySource src(kLength);
        src.Seek(c.leaving);
        join.ReadTail(src, c.fadeMs);
        const int fade = kRate * c.fadeMs / 1000;
        const int search = kRate * audio::detail::LoopJoin::kSearchMs / 1000;
        const bool silentTail = c.leaving >= kLength;
        EXPECT_EQ(src.Position(), std::min(kLength, c.leaving + (fade > 0 ? search + fade : 0)));
        ASSERT_EQ(join.LeadInFrames(), fade);
        const std::uint64_t seekTo = c.start - std::min<std::uint64_t>(c.start, fade);
        src.Seek(seekTo);
        ASSERT_EQ(join.ReadLeadIn(src, c.leaving, static_cast<int>(c.start - seekTo)), c.made);
        if (!c.made) continue;
        EXPECT_EQ(src.Position(), c.start);
        const int pending = join.Pending();
        if (silentTail) {
            EXPECT_EQ(pending, 0);
        } else if (c.start >= static_cast<std::uint64_t>(fade)) {
            EXPECT_EQ(pending, fade);  // alike parts: the whole fade, from the jump itself
        }
        std::vector<std::int16_t> out(static_cast<std::size_t>(c.chunk));
        std::uint64_t next = c.leaving - static_cast<std::uint64_t>(pending);
        while (join.Pending() > 0) {
            const int got = join.Play(out.data(), c.chunk, src);
            ASSERT_GT(got, 0);
            ASSERT_EQ(src.taken.back(), std::make_pair(next, got));
            next += static_cast<std::uint64_t>(got);
            if (c.start >= static_cast<std::uint64_t>(fade)) {
                for (int i = 0; i < got; ++i) ASSERT_EQ(out[i], SteadySource::kLevel) << i;
            }
        }
        EXPECT_EQ(next, c.leaving);
        EXPECT_EQ(src.taken.size(), static_cast<std::size_t>((pending + c.chunk - 1) / c.chunk));
    }
}
