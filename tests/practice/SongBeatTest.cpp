// The song's beat on the practice page, through the real main window: found after the song
// loads, shown as heard at the tempo, tapped, halved and doubled, remembered with the song, and
// never shown on another song than its own.
#include <QTest>
#include <algorithm>
#include <random>

#include "DrumPattern.h"
#include "engine/EngineTestFixture.h"
#include "engine/MainWindowIds.h"
#include "practice/QuorvelPracticePage.h"
#include "support/TestAudio.h"

namespace {

class SongBeatTest : public enginetest::MainWindowFixture {
protected:
    // A stereo WAV file of a drum pattern at `bpm` (0: white noise, no beat).
    std::string DrumSong(const std::string& name, double bpm, double seconds) {
        std::vector<float> music = bpm > 0 ? practicetest::DrumPattern(bpm, seconds, false, false)
                                           : std::vector<float>(static_cast<std::size_t>(seconds * 44100));
        if (bpm <= 0) {
            std::mt19937 random(1);
            std::uniform_real_distribution<float> white(-0.3f, 0.3f);
            for (float& s : music) s = white(random);
        }
        std::vector<std::int16_t> samples;
        for (float s : music) {
            const auto value = static_cast<std::int16_t>(std::clamp(s, -1.0f, 1.0f) * 20000);
            samples.insert(samples.end(), {value, value});
        }
        test_audio::WriteWav(Media(name), 44100, 2, samples);
        return Media(name);
    }
    CQuorvelPracticePage& Page() { return *m_dialog->PracticePage(); }
    void Load(const std::string& path) {
        Engine().LoadSong(path);
        ASSERT_NE(Stream(), 0u);
    }
    bool WaitForBeat() {
        return QTest::qWaitFor([&] { return !Page().IsFindingBeat(); }, 30000);
    }
    std::string Shown() { return ui::FromQtText(Page().BeatText()); }
};

TEST_F(SongBeatTest, FoundShownAtTheTempoTappedHalvedDoubledAndRemembered) {
    const std::string song = DrumSong("drums.wav", 120, 12);
    Load(song);
    EXPECT_EQ(Shown(), Text(142));  // finding it
    ASSERT_TRUE(WaitForBeat());
    ASSERT_TRUE(Page().SongBpm());
    EXPECT_NEAR(*Page().SongBpm(), 120, 1);
    EXPECT_EQ(Shown(), "120 BPM");
    Engine().SetSoundSlider(IDC_TEMPO, 80);
    EXPECT_EQ(Shown(), "96 BPM");
    Page().DoubleBeat();
    EXPECT_EQ(Shown(), "192 BPM");
    Page().HalveBeat();
    EXPECT_EQ(Shown(), "96 BPM");

    // Taps of the beat as heard, at 80 %: five taps 500 ms apart are 120 BPM heard, so the
    // song's own beat is 150. Three taps set nothing; a pause of more than two seconds starts
    // a new count.
    for (qint64 at : {0, 500, 1000}) Page().TapBeat(at);
    EXPECT_EQ(Shown(), "96 BPM");
    for (qint64 at : {10000, 10500, 11000, 11500, 12000}) Page().TapBeat(at);
    EXPECT_EQ(Shown(), "120 BPM");
    EXPECT_NEAR(*Page().SongBpm(), 150, 0.01);

    // Remembered: the next start shows it at once, without finding it again.
    m_dialog.reset();
    m_dialog = std::make_unique<CQuorvelMainDlg>();
    ASSERT_TRUE(m_dialog->InitDialog());
    Load(song);
    EXPECT_FALSE(Page().IsFindingBeat());
    ASSERT_TRUE(Page().SongBpm());
    EXPECT_NEAR(*Page().SongBpm(), 150, 0.01);
    EXPECT_EQ(Shown(), "120 BPM");  // at the remembered 80 %
}

TEST_F(SongBeatTest, ASongLoadedMeanwhileNeverShowsTheBeatOfTheOneBefore) {
    Load(DrumSong("long.wav", 128, 90));
    Load(DrumSong("noise.wav", 0, 10));
    ASSERT_TRUE(WaitForBeat());
    EXPECT_FALSE(Page().SongBpm());
    EXPECT_EQ(Shown(), Text(143));
    QTest::qWait(300);
    EXPECT_FALSE(Page().SongBpm());
}

}  // namespace
