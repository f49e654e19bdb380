// Saving the loop region as a WAV file: a second decoding of the song with the settings applied.
#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "engine/MainWindowIds.h"
#include "engine/SoundSettings.h"
#include "engine/TestMedia.h"
#include "eq/EqBands.h"
#include "export/LoopSave.h"
#include "export/RenderChain.h"
#include "export/SaveCommands.h"
#include "export/SaveFixture.h"
#include "loop/LoopRegion.h"
#include "support/Files.h"
#include "support/TestAudio.h"
#include "support/WavChecks.h"

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kHeader = 44;

std::vector<std::int16_t> Samples(const std::string& wav) {
    std::vector<std::int16_t> samples((wav.size() - kHeader) / 2);
    std::memcpy(samples.data(), wav.data() + kHeader, samples.size() * 2);
    return samples;
}

class WavSaveTest : public exporttest::SaveFixture {
protected:
    std::string LoadTone(double seconds, const std::string& name = "song.wav") {
        const std::string path =
            testmedia::WriteWav(Media(name), {.seconds = seconds, .frequency = 441});
        Engine().LoadSong(path);
        EXPECT_NE(Stream(), 0u);
        return path;
    }
    // A WAV file of the loop region with the settings as they are now.
    void SaveWav(const std::string& destination) {
        SaveLoop(Engine(), destination, OutputWriter::Wav, CurrentRenderSettings(Engine()));
    }
    std::string Save(const std::string& name) {
        const std::string destination = Media(name);
        SaveWav(destination);
        return destination;
    }
};

TEST_F(WavSaveTest, TheWholeSongWithItsHeaderSizesWhenNoRegionIsSet) {
    LoadTone(2.0);
    SetSlider(IDC_VOLUME, 100);
    const std::string wav = testenv::ReadFile(Save("out.wav"));
    const std::string data = test_audio::CheckedCdWavData(wav);
    // The whole song, and at most one block more.
    ASSERT_GE(data.size(), 2u * kRate * 4 - 4000);
    EXPECT_LE(data.size(), 2u * kRate * 4 + RenderChain::kBlockBytes);
    const std::vector<std::int16_t> samples = Samples(wav);
    EXPECT_NEAR(testmedia::ToneAmplitude(samples, 2 * kRate / 2, 2, kRate / 2, 441, kRate), 8000,
                400);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(WavSaveTest, TheRegionAtTheSlidersTempoAndPitch) {
    LoadTone(4.0);
    g_loopRegion.qwStartPoint = kRate * 4;  // 1 s to 3 s
    g_loopRegion.qwEndPoint = 3 * kRate * 4;
    SetSlider(IDC_TEMPO, 50);
    SetSlider(IDC_PITCH, 1200);
    SetSlider(IDC_VOLUME, 100);
    const std::vector<std::int16_t> samples = Samples(testenv::ReadFile(Save("region.wav")));
    // Two seconds of the song at half speed: four seconds, give or take the last block.
    const double seconds = double(samples.size()) / 2 / kRate;
    EXPECT_GE(seconds, 3.9);
    EXPECT_LE(seconds, 4.0 + double(RenderChain::kBlockBytes) / 4 / kRate + 0.05);
    // An octave up.
    EXPECT_GT(testmedia::ToneAmplitude(samples, 2 * kRate, 2, kRate / 2, 882, kRate), 4000);

    // An end at or before the start renders from the start to the song's end.
    g_loopRegion.qwEndPoint = kRate * 4 / 2;
    SetSlider(IDC_TEMPO, 100);
    const std::vector<std::int16_t> rest = Samples(testenv::ReadFile(Save("rest.wav")));
    EXPECT_NEAR(double(rest.size()) / 2 / kRate, 3.0, 0.15);
}

// A region of more than a minute as heard is stretched in segments on both cores (with the
// engines that gain from it): the file has the region's length and no gap at the joins.
TEST_F(WavSaveTest, ALongRegionWithTheFasterEngineHasItsLengthAndNoGap) {
    ASSERT_TRUE(Engine().SetStretcher(audio::STRETCHER_FASTER));
    LoadTone(20.0);
    g_loopRegion.qwStartPoint = kRate * 4;  // 1 s to 19 s: 72 s at a quarter of the speed
    g_loopRegion.qwEndPoint = 19 * kRate * 4;
    SetSlider(IDC_TEMPO, 25);
    SetSlider(IDC_VOLUME, 100);
    const std::vector<std::int16_t> samples = Samples(testenv::ReadFile(Save("long.wav")));
    const double seconds = double(samples.size()) / 2 / kRate;
    EXPECT_GE(seconds, 71.95);
    EXPECT_LE(seconds, 72.0 + double(RenderChain::kBlockBytes) / 4 / kRate + 0.05);
    double quietest = 1e9;
    for (std::size_t f = kRate / 2; f + kRate < samples.size() / 2; f += kRate / 200)
        quietest = std::min(quietest, test_audio::Rms(&samples[2 * f], kRate / 100, 2));
    EXPECT_GE(quietest, 0.8 * 8000 / std::numbers::sqrt2);
    ASSERT_TRUE(Engine().SetStretcher(audio::STRETCHER_SOUNDTOUCH));
}

TEST_F(WavSaveTest, VolumeScalesTheSamplesAndVocalReductionApplies) {
    LoadTone(1.0);
    SetSlider(IDC_VOLUME, 100);
    const std::vector<std::int16_t> full = Samples(testenv::ReadFile(Save("full.wav")));
    SetSlider(IDC_VOLUME, 50);
    const std::vector<std::int16_t> half = Samples(testenv::ReadFile(Save("half.wav")));
    ASSERT_EQ(full.size(), half.size());
    for (std::size_t i = 0; i < full.size(); ++i)
        ASSERT_EQ(half[i], static_cast<std::int16_t>(full[i] * 0.5f)) << "sample " << i;
    SetSlider(IDC_VOLUME, 0);
    const std::vector<std::int16_t> silent = Samples(testenv::ReadFile(Save("silent.wav")));
    EXPECT_EQ(silent.size(), full.size());
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::int16_t s) { return s == 0; }));

    // The tone is the same in both channels: vocal reduction takes it out.
    SetSlider(IDC_VOLUME, 100);
    SetSlider(IDC_VOCAL, 128);
    const std::vector<std::int16_t> vocal = Samples(testenv::ReadFile(Save("vocal.wav")));
    EXPECT_LT(testmedia::ToneAmplitude(vocal, kRate / 2, 2, kRate / 4, 441, kRate), 10);
    SetSlider(IDC_VOCAL, 0);
}

// Music-like material that never repeats (a sweep on the left, noise on the right), so that a
// block lost, repeated or out of place shows.
std::vector<std::int16_t> Material(std::size_t frames) {
    return test_audio::SweepAndNoise(frames, kRate, 300, 4321u);
}

// The 1 kHz band cut, the 125 Hz one raised.
constexpr std::array<int, kEqBandCount> kEqGains{0, 6, 0, 0, -15, 0, 0, 0, 0};

// The save renders on two threads; its samples are those of one decoding tempo stream carrying
// every effect, read on one thread.
TEST_F(WavSaveTest, EveryEffectGivesTheSamplesOfOneStreamCarryingThemAll) {
    const std::string song =
        testmedia::WriteWavSamples(Media("material.wav"), kRate, 2, Material(kRate * 6));
    Engine().LoadSong(song);
    ASSERT_NE(Stream(), 0u);
    SetSlider(IDC_TEMPO, 80);
    SetSlider(IDC_PITCH, 200);
    SetSlider(IDC_VOCAL, 100);
    SetSlider(IDC_VOLUME, 70);
    for (int band = 0; band < kEqBandCount; ++band) Engine().SetEqGain(band, kEqGains[band]);
    const std::vector<std::int16_t> saved = Samples(testenv::ReadFile(Save("all.wav")));

    const audio::HSTREAM decode =
        audio::StreamCreateFile(false, song.c_str(), 0, 0, audio::STREAM_DECODE);
    const audio::HSTREAM tempo =
        audio::FX_TempoCreate(decode, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_NE(tempo, 0u);
    SoundSettings sound;
    sound.nTempo = 80;
    sound.nPitch = 200;
    ApplySoundValue(tempo, SoundValue::Tempo, sound);
    ApplySoundValue(tempo, SoundValue::Pitch, sound);
    const std::atomic<int> level{100};
    AttachVocalReduction(tempo, level);
    SetEqBands(tempo, kEqGains);
    std::vector<std::int16_t> expected;
    std::vector<std::int16_t> block(4096);
    for (;;) {
        const audio::DWORD n = audio::ChannelGetData(tempo, block.data(), 8192);
        if (n == audio::DWORD(-1) || n == 0) break;
        for (std::size_t i = 0; i < n / 2; ++i)
            expected.push_back(static_cast<std::int16_t>(block[i] * VolumeFactor(70)));
    }
    audio::StreamFree(tempo);
    SetSlider(IDC_VOCAL, 0);

    // The save stops at the song's end, with its last block whole; the stretcher's tail may
    // still follow in a stream read to its very end.
    ASSERT_GT(saved.size(), static_cast<std::size_t>(kRate * 2 * 6 / 0.8 * 0.95));
    ASSERT_LE(saved.size(), expected.size());
    for (std::size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(saved[i], expected[i]) << "sample " << i;
}

// The settings are taken once, when the save starts: controls moved while it runs (a chooser is
// open, or the vocal reduction's level changes under the render) change what is heard, not the
// file.
TEST_F(WavSaveTest, ControlsMovedDuringASaveLeaveTheFileAsTheSaveBegan) {
    Engine().LoadSong(
        testmedia::WriteWavSamples(Media("material.wav"), kRate, 2, Material(kRate * 2)));
    ASSERT_NE(Stream(), 0u);
    const auto setControls = [&](int tempo, int pitch, int vocal, int volume, int eqGain) {
        SetSlider(IDC_TEMPO, tempo);
        SetSlider(IDC_PITCH, pitch);
        SetSlider(IDC_VOCAL, vocal);
        SetSlider(IDC_VOLUME, volume);
        for (int band = 0; band < kEqBandCount; ++band) Engine().SetEqGain(band, eqGain);
    };
    setControls(80, 200, 100, 70, -6);
    const RenderSettings settings = CurrentRenderSettings(Engine());
    ASSERT_TRUE(SaveLoop(Engine(), Media("before.wav"), OutputWriter::Wav, settings));
    setControls(100, 0, 200, 100, 0);
    ASSERT_TRUE(SaveLoop(Engine(), Media("after.wav"), OutputWriter::Wav, settings));
    EXPECT_TRUE(testenv::ReadFile(Media("before.wav")) == testenv::ReadFile(Media("after.wav")));

    // Through Save As, moved while the bitrate chooser is open.
    setControls(80, 200, 100, 70, 0);
    SaveLoopAs(Engine(), Media("still.wma"));
    {
        ui::ScopedModalResponder<BitrateQuestion> moving([&](const BitrateQuestion& q) {
            setControls(100, 0, 200, 100, 0);
            q.dialog->OnOK();
            return q.dialog->result();
        });
        setControls(80, 200, 100, 70, 0);
        SaveLoopAs(Engine(), Media("moved.wma"));
    }
    EXPECT_TRUE(m_boxes.Asked().empty());
    const exporttest::Decoded still = exporttest::DecodeFile(Media("still.wma"));
    ASSERT_GT(still.samples.size(), 0u);
    EXPECT_TRUE(exporttest::DecodeFile(Media("moved.wma")).samples == still.samples);
}

// A writer that fails part way stops the rendering thread, however far ahead it was.
TEST_F(WavSaveTest, AFullDiskEndsTheSaveWithItsMessage) {
    const std::string song = LoadTone(10.0);
    SetSlider(IDC_VOLUME, 100);
    SaveWav("/dev/full");
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_NE(m_boxes.Asked()[0].text.find("/dev/full"), std::string::npos);
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_NE(Stream(), 0u);
}

TEST_F(WavSaveTest, SavingOverTheSongSetsItAsideAndLoadsTheResult) {
    const std::string song = LoadTone(1.0);
    g_loopRegion.qwStartPoint = kRate / 2 * 4;  // the second half
    SaveWav(song);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_FALSE(std::filesystem::exists(Media("QVOutput.TMP")));
    // The rendered half is now the song, loaded.
    ASSERT_NE(Stream(), 0u);
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_NEAR(Engine().m_dSongLength, 0.5, 0.1);

    // A name that differs in letter case is another file.
    const std::string other = Media("SONG.wav");
    SaveWav(other);
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(Engine().m_strSongPath, song);
}

TEST_F(WavSaveTest, FailuresAreShownAndTheSongIsNeverLost) {
    const std::string song = LoadTone(1.0);
    const std::string original = testenv::ReadFile(song);

    // A destination that cannot be written.
    SaveWav(Media("missing/out.wav"));
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_NE(m_boxes.Asked()[0].text.find("missing/out.wav"), std::string::npos);
    EXPECT_EQ(Engine().m_strSongPath, song);
    m_boxes.Clear();

    // A leftover temporary file stops a save over the song before anything moves.
    testenv::WriteFile(Media("QVOutput.TMP"), "left over");
    SaveWav(song);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(testenv::ReadFile(song), original);
    EXPECT_EQ(testenv::ReadFile(Media("QVOutput.TMP")), "left over");
    EXPECT_NE(Stream(), 0u);
    m_boxes.Clear();
    std::filesystem::remove(Media("QVOutput.TMP"));

    // A song that cannot be decoded any more: message 43 with the temporary path, and the
    // song back under its name and loaded.
    const std::string broken = Media("broken.wav");
    std::filesystem::copy_file(song, broken);
    Engine().LoadSong(broken);
    testenv::WriteFile(broken, "no longer audio");
    SaveWav(broken);
    ASSERT_EQ(m_boxes.Asked().size(), 2u);  // the failed save, then the failed reload
    EXPECT_NE(m_boxes.Asked()[0].text.find("QVOutput.TMP"), std::string::npos);
    EXPECT_EQ(testenv::ReadFile(broken), "no longer audio");
    EXPECT_FALSE(std::filesystem::exists(Media("QVOutput.TMP")));
}

}  // namespace
