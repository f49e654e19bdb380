// Saving in every format with every setting: the files decode, are as long as the region at the
// chosen tempo, carry the pitch, and carry vocal reduction and the equaliser exactly where they
// should.
#include <QLabel>
#include <cstring>

#include "eq/QuorvelEQPropertyPage.h"
#include "export/AacSink.h"
#include "export/SaveCommands.h"
#include "export/SaveFixture.h"
#include "ui/SliderCtrl.h"

namespace {

using exporttest::Decoded;
using exporttest::DecodeFile;
using exporttest::Probe;

// Two semitones up.
const double kPitchRatio = std::pow(2.0, 2.0 / 12);
// In the song: a centre tone (equal in both channels, where a voice sits), a tone on the left
// only, and a left tone that comes out at the 1 kHz band's centre after the pitch change.
constexpr double kCentre = 440;
constexpr double kSide = 300;
const double kEqTone = 1000 / kPitchRatio;
constexpr int kEqBand1kHz = 4;

std::string WriteStereoSong(const std::string& path, int rate, double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> samples(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double centre = 5000 * std::sin(2 * M_PI * kCentre * t);
        const double side =
            5000 * std::sin(2 * M_PI * kSide * t) + 5000 * std::sin(2 * M_PI * kEqTone * t);
        samples[2 * i] = static_cast<std::int16_t>(centre + side);
        samples[2 * i + 1] = static_cast<std::int16_t>(centre);
    }
    return testmedia::WriteWavSamples(path, rate, 2, samples);
}

struct Format {
    const char* extension;
    bool bVocalReduction;
    bool bEqualiser;
};
constexpr Format kFormats[] = {
    {"wav", true, true},  {"mp3", false, false}, {"aac", true, false},
    {"mp4", true, false}, {"m4a", true, false},  {"wma", true, false},
};

class EncoderWritersTest : public exporttest::SaveFixture {
protected:
    // Tempo 80 %, two semitones up, the region 0.5 s to 2.5 s.
    void SetPractiseSettings(int rate, int channels) {
        g_loopRegion.qwStartPoint = static_cast<audio::QWORD>(rate / 2) * 2 * channels;
        g_loopRegion.qwEndPoint = static_cast<audio::QWORD>(rate * 5 / 2) * 2 * channels;
        SetSlider(IDC_TEMPO, 80);
        SetSlider(IDC_PITCH, 200);
        SetSlider(IDC_VOLUME, 100);
    }
    void CutEqBand(int band) {
        auto* page = qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage());
        ASSERT_NE(page, nullptr);
        page->Slider(band)->setValue(15);  // the top is +15 dB: the bottom cuts by 15
        page->OnEqVScroll(page->Slider(band));
        ASSERT_EQ(page->BandGain(band), -15);
    }
    Decoded SaveAndDecode(const std::string& name) {
        const std::string path = Media(name);
        SaveLoopAs(Engine(), path);
        EXPECT_TRUE(m_boxes.Asked().empty()) << name << ": " << m_boxes.Asked().front().text;
        return DecodeFile(path);
    }
};

TEST_F(EncoderWritersTest, EveryFormatFromAStereo48kHzSongWithEverySetting) {
    Engine().LoadSong(WriteStereoSong(Media("song.wav"), 48000, 3.0));
    ASSERT_NE(Stream(), 0u);
    SetPractiseSettings(48000, 2);
    SetSlider(IDC_VOCAL, 128);
    CutEqBand(kEqBand1kHz);
    m_mp3Rate = 48000;

    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.extension);
        const std::string name = std::string("out.") + format.extension;
        const Decoded out = SaveAndDecode(name);
        ASSERT_GT(out.samples.size(), 0u);
        // WMA is always 44.1 kHz stereo, the others keep the song's format.
        EXPECT_EQ(out.rate, std::strcmp(format.extension, "wma") == 0 ? 44100 : 48000);
        EXPECT_EQ(out.channels, 2);
        // Two seconds at 80 %: 2.5 s, plus at most one block and the encoder's own delay.
        EXPECT_GE(out.Seconds(), 2.5 - 0.02);
        EXPECT_LE(out.Seconds(), 2.5 + 20000.0 / 4 / 48000 + 0.1);
        EXPECT_FALSE(Probe(Media(name)).empty());

        // The left-only tone, two semitones up.
        const double up = out.Tone(kSide * kPitchRatio);
        EXPECT_GT(up, 5 * out.Tone(kSide));
        // The centre is gone where vocal reduction applies.
        const double centre = out.Tone(kCentre * kPitchRatio, 1);
        if (format.bVocalReduction)
            EXPECT_LT(centre, 0.1 * up);
        else
            EXPECT_GT(centre, 0.5 * up);
        // The 1 kHz band's cut.
        const double cut = out.Tone(1000);
        const double reference = format.bVocalReduction ? up : out.Tone(kSide * kPitchRatio);
        if (format.bEqualiser)
            EXPECT_LT(cut, 0.4 * reference);
        else
            EXPECT_GT(cut, 0.6 * reference);
    }
    EXPECT_EQ(m_mp3Asked.size(), 1u);
    EXPECT_EQ(m_bitrateKinds, (std::vector<int>{kBitrateListAac, kBitrateListAac, kBitrateListAac,
                                                kBitrateListWma}));
}

TEST_F(EncoderWritersTest, EveryFormatFromAMonoSong) {
    const std::vector<std::int16_t> samples =
        test_audio::SineOfPeak(kSide, 44100, 1, 44100 * 3, 8000);
    Engine().LoadSong(testmedia::WriteWavSamples(Media("mono.wav"), 44100, 1, samples));
    ASSERT_NE(Stream(), 0u);
    SetPractiseSettings(44100, 1);
    m_mp3Rate = 44100;
    m_mp3Bitrate = 64000;

    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.extension);
        const Decoded out = SaveAndDecode(std::string("mono.") + format.extension);
        ASSERT_GT(out.samples.size(), 0u);
        const bool wma = std::strcmp(format.extension, "wma") == 0;
        EXPECT_EQ(out.channels, wma ? 2 : 1);
        EXPECT_EQ(out.rate, 44100);
        EXPECT_GE(out.Seconds(), 2.5 - 0.02);
        EXPECT_LE(out.Seconds(), 2.5 + 20000.0 / 2 / 44100 + 0.1);
        // At the right pitch (a WMA of a mono song not twice as fast), in every channel.
        for (int channel = 0; channel < out.channels; ++channel) {
            EXPECT_GT(out.Tone(kSide * kPitchRatio, channel), 3000);
            EXPECT_LT(out.Tone(kSide * kPitchRatio * 44100 / 22050, channel), 300);
        }
    }
    ASSERT_EQ(m_mp3Asked.size(), 1u);
    for (const audio::ACMFORMATCHOICE& offered : m_mp3Asked[0].formats)
        EXPECT_EQ(offered.chans, 1u);
}

TEST_F(EncoderWritersTest, WhatEachContainerHolds) {
    Engine().LoadSong(WriteStereoSong(Media("song.wav"), 44100, 1.0));
    SetSlider(IDC_VOLUME, 100);
    SaveLoopAs(Engine(), Media("a.mp3"));
    SaveLoopAs(Engine(), Media("b.aac"));
    SaveLoopAs(Engine(), Media("c.mp4"));
    SaveLoopAs(Engine(), Media("d.m4a"));
    SaveLoopAs(Engine(), Media("e.wma"));
    ASSERT_TRUE(m_boxes.Asked().empty());

    // MPEG frames with nothing before them.
    const std::string mp3 = ReadBytes(Media("a.mp3"));
    ASSERT_GT(mp3.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(mp3[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(mp3[1]) & 0xE0, 0xE0);
    EXPECT_NE(Probe(Media("a.mp3")).find("codec_name=mp3"), std::string::npos);
    // ADTS.
    const std::string aac = ReadBytes(Media("b.aac"));
    EXPECT_EQ(static_cast<unsigned char>(aac[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(aac[1]) & 0xF6, 0xF0);
    EXPECT_NE(Probe(Media("b.aac")).find("format_name=aac"), std::string::npos);
    // MP4 files, whatever their extension.
    for (const char* name : {"c.mp4", "d.m4a"}) {
        EXPECT_EQ(ReadBytes(Media(name)).substr(4, 4), "ftyp") << name;
        const std::string probed = Probe(Media(name));
        EXPECT_NE(probed.find("codec_name=aac"), std::string::npos) << probed;
        EXPECT_NE(probed.find("mp4"), std::string::npos) << probed;
    }
    const std::string wma = Probe(Media("e.wma"));
    EXPECT_NE(wma.find("codec_name=wmav2"), std::string::npos) << wma;
    EXPECT_NE(wma.find("format_name=asf"), std::string::npos) << wma;
}

TEST(FaacCommandLineTest, TheOptionsOfEachRowAndExtension) {
    EXPECT_EQ(FaacCommandLine("-q 130 -c 22000 --mpeg-vers 4", "", "/music/out.aac"),
              "faac -q 130 -c 22000 --mpeg-vers 4  -o \"/music/out.aac\" -");
    EXPECT_EQ(FaacCommandLine("-q 100 -c 16000 --mpeg-vers 4", "-w", "/music/out.m4a"),
              "faac -q 100 -c 16000 --mpeg-vers 4 -w -o \"/music/out.m4a\" -");
    // A quote in a name cannot end the name early.
    EXPECT_EQ(FaacCommandLine("-q 70 -c 10000 --mpeg-vers 4", "-w", "/a \"b\"\\c.mp4"),
              "faac -q 70 -c 10000 --mpeg-vers 4 -w -o \"/a \\\"b\\\"\\\\c.mp4\" -");
}

}  // namespace
