// The faac program itself, started as the player starts it: a WAVE stream on a pipe, the file
// checked by decoding it with FFmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "faac/DecodedAudio.h"
#include "faac/FaacProcess.h"
#include "faac/TestWave.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;
using faactest::DecodedAudio;
using faactest::FaacProcess;
using faactest::RunFaac;
using faactest::WaveSpec;

constexpr std::int64_t kAacFrame = 1024;
// libavcodec's AAC encoder starts with one frame of priming; an ADTS file keeps it, and the
// last frame is padded to its full length.
constexpr std::int64_t kAdtsExtraMost = 2 * kAacFrame;

class FaacProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "faac-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    // Every channel still carries its own tone at its level, in the middle of the file (away
    // from the encoder's start-up and the last frame).
    static void ExpectTones(const DecodedAudio& audio, const WaveSpec& spec) {
        ASSERT_EQ(audio.channels, spec.channels);
        const std::size_t from = audio.Frames() / 4;
        const std::size_t to = audio.Frames() * 3 / 4;
        for (int c = 0; c < spec.channels; ++c) {
            const auto& samples = audio.samples[static_cast<std::size_t>(c)];
            const double expected = faactest::ChannelFrequency(spec, c);
            EXPECT_NEAR(faactest::ToneFrequency(samples, audio.sampleRate, from, to), expected,
                        expected * 0.005)
                << "channel " << c;
            EXPECT_NEAR(faactest::Rms(samples, from, to), spec.amplitude / std::sqrt(2.0),
                        spec.amplitude * 0.05)
                << "channel " << c;
        }
    }

    fs::path dir_;
};

TEST_F(FaacProgram, PlayerAacLineOnAStreamOfUnknownLengthGivesAdtsHoldingTheTone) {
    const WaveSpec spec{.sampleRate = 48000, .channels = 2, .extraChunk = true, .seconds = 2};
    const std::string out = File("out.aac");
    const auto result = RunFaac({"-q", "130", "-c", "22000", "--mpeg-vers", "4", "-o", out, "-"},
                                faactest::ToneWave(spec));
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_EQ(result.standardError, "") << "the encoder must be quiet";
    EXPECT_EQ(result.standardOutput, "");

    const std::string bytes = testenv::ReadFile(out);
    ASSERT_GE(bytes.size(), 7u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF) << "ADTS sync word";
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]) & 0xF6, 0xF0) << "ADTS sync word and layer";
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]) & 0x08, 0) << "MPEG-4 ID";

    const DecodedAudio audio = faactest::DecodeFile(out);
    EXPECT_EQ(audio.containerName, "aac");
    EXPECT_EQ(audio.codecName, "aac");
    EXPECT_EQ(audio.sampleRate, 48000);
    EXPECT_GE(static_cast<std::int64_t>(audio.Frames()), faactest::FrameCount(spec));
    EXPECT_LE(static_cast<std::int64_t>(audio.Frames()),
              faactest::FrameCount(spec) + kAdtsExtraMost);
    ExpectTones(audio, spec);
}

TEST_F(FaacProgram, PlayerMp4LineGivesAnMp4OfTheInputsLength) {
    const WaveSpec spec{.sampleRate = 44100, .channels = 1, .seconds = 2, .frequency = 440};
    const std::string out = File("out.m4a");
    const auto result =
        RunFaac({"-q", "100", "-c", "16000", "--mpeg-vers", "4", "-w", "-o", out, "-"},
                faactest::ToneWave(spec));
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_EQ(result.standardError, "");

    EXPECT_EQ(testenv::ReadFile(out).substr(4, 4), "ftyp");
    const DecodedAudio audio = faactest::DecodeFile(out);
    EXPECT_NE(audio.containerName.find("mp4"), std::string::npos) << audio.containerName;
    EXPECT_EQ(audio.codecName, "aac");
    EXPECT_EQ(audio.sampleRate, 44100);
    // The container tells the decoder to drop the priming, so the length is the input's
    // within one frame.
    EXPECT_NEAR(static_cast<double>(audio.Frames()),
                static_cast<double>(faactest::FrameCount(spec)), kAacFrame);
    ExpectTones(audio, spec);
}

TEST_F(FaacProgram, MpegVersion2IsAnnouncedInEveryAdtsHeader) {
    const WaveSpec spec{.seconds = 0.5};
    const std::string out = File("mpeg2.aac");
    const auto result = RunFaac({"--mpeg-vers", "2", "-o", out, "-"}, faactest::ToneWave(spec));
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    const std::string bytes = testenv::ReadFile(out);
    int frames = 0;
    for (std::size_t at = 0; at + 7 <= bytes.size(); ++frames) {
        const auto byte = [&](std::size_t i) {
            return static_cast<unsigned>(static_cast<unsigned char>(bytes[at + i]));
        };
        ASSERT_EQ(byte(0), 0xFFu) << "frame " << frames;
        ASSERT_EQ(byte(1) & 0xF8, 0xF8u) << "frame " << frames << " is not MPEG-2";
        const std::size_t length = (byte(3) & 0x03) << 11 | byte(4) << 3 | byte(5) >> 5;
        ASSERT_GE(length, 7u);
        at += length;
    }
    EXPECT_GE(frames, 24);
    ExpectTones(faactest::DecodeFile(out), spec);
}

TEST_F(FaacProgram, EverySampleLayoutFromAFileKeepsEachChannelsTone) {
    const std::vector<WaveSpec> specs = {
        {.channels = 1, .bits = 8},
        {.sampleRate = 44100, .channels = 2, .bits = 24, .unknownSizes = false},
        {.channels = 2, .bits = 32},
        {.sampleRate = 32000, .channels = 2, .bits = 32, .isFloat = true},
        {.channels = 1, .bits = 64, .isFloat = true},
        {.channels = 2, .bits = 16, .extensible = true},
        // Low tones: the fourth of six channels is the LFE, which AAC carries up to about 150 Hz.
        {.channels = 6, .bits = 24, .extensible = true, .frequency = 40},
    };
    for (WaveSpec spec : specs) {
        SCOPED_TRACE(std::to_string(spec.channels) + " channels of " + std::to_string(spec.bits) +
                     (spec.isFloat ? "-bit float" : "-bit"));
        spec.seconds = 0.5;
        const std::string in = File("in.wav");
        const std::string out = File("out.m4a");
        testenv::WriteFile(in, faactest::ToneWave(spec));
        const auto result = RunFaac({"-q", "130", "-w", "-o", out, in});
        ASSERT_EQ(result.exitCode, 0) << result.standardError;
        const DecodedAudio audio = faactest::DecodeFile(out);
        EXPECT_EQ(audio.sampleRate, spec.sampleRate);
        ExpectTones(audio, spec);
    }
}

TEST_F(FaacProgram, TheCutOffDecidesWhetherAHighToneIsKept) {
    const WaveSpec spec{.sampleRate = 44100, .channels = 1, .seconds = 1, .frequency = 15000};
    const auto levelWithCutoff = [&](const std::string& cutoff) {
        const std::string out = File("cut-" + cutoff + ".m4a");
        const auto result =
            RunFaac({"-q", "130", "-c", cutoff, "-w", "-o", out, "-"}, faactest::ToneWave(spec));
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        const DecodedAudio audio = faactest::DecodeFile(out);
        return faactest::Rms(audio.samples.at(0), audio.Frames() / 4, audio.Frames() * 3 / 4);
    };
    const double expected = spec.amplitude / std::sqrt(2.0);
    EXPECT_NEAR(levelWithCutoff("22000"), expected, expected * 0.1);
    EXPECT_LT(levelWithCutoff("10000"), expected * 0.05);
}

TEST_F(FaacProgram, ARateTheEncoderDoesNotTakeIsResampledToTheNextOneUp) {
    const WaveSpec spec{.sampleRate = 37800, .channels = 2, .seconds = 1};
    const std::string out = File("out.m4a");
    const auto result = RunFaac({"-w", "-o", out, "-"}, faactest::ToneWave(spec));
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
    const DecodedAudio audio = faactest::DecodeFile(out);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_NEAR(audio.Seconds(), spec.seconds, double(kAacFrame) / 44100);
    ExpectTones(audio, spec);
}

// Real music, so that the encoder has to spend its bits: the first and the last row of the
// player's chooser must come out near the bitrate it shows (the encoder averages over the file).
TEST_F(FaacProgram, FilesComeOutNearTheBitrateTheChooserShows) {
    const std::string song = "/usr/share/scummvm/drascula/audio/track2.ogg";
    ASSERT_TRUE(fs::exists(song)) << "scripts/install-deps installs drascula-music";
    const DecodedAudio music = faactest::DecodeFile(song, 8);
    ASSERT_EQ(music.channels, 2);
    std::string pcm;
    for (std::size_t i = 0; i < music.Frames(); ++i) {
        for (const auto& channel : music.samples) {
            const auto value =
                static_cast<std::int16_t>(std::lround(std::clamp(channel[i], -1.0f, 1.0f) * 32767));
            pcm.append(reinterpret_cast<const char*>(&value), 2);
        }
    }
    const std::string wave = faactest::StreamingWave16(pcm, music.sampleRate, 2);
    struct Row {
        std::vector<std::string> options;
        double shownKbps;
    };
    for (const Row& row :
         {Row{{"-q", "130", "-c", "22000"}, 218}, Row{{"-q", "70", "-c", "10000"}, 62}}) {
        for (const bool mp4 : {false, true}) {
            std::vector<std::string> args = row.options;
            args.insert(args.end(), {"--mpeg-vers", "4"});
            if (mp4) args.push_back("-w");
            const std::string out = File(mp4 ? "music.mp4" : "music.aac");
            args.insert(args.end(), {"-o", out, "-"});
            const auto result = RunFaac(args, wave);
            ASSERT_EQ(result.exitCode, 0) << result.standardError;
            const DecodedAudio audio = faactest::DecodeFile(out);
            // What a player shows: the file's size over its length.
            const double fileKbps = fs::file_size(out) * 8.0 / audio.Seconds() / 1000;
            EXPECT_NEAR(fileKbps, row.shownKbps, row.shownKbps * 0.15)
                << row.options[1] << (mp4 ? " in MP4" : " in ADTS");
            EXPECT_NEAR(audio.BitRate() / 1000, row.shownKbps, row.shownKbps * 0.15)
                << row.options[1] << (mp4 ? " in MP4" : " in ADTS");
        }
    }
}

// A cancelled rip: the player stops writing halfway (mid-frame) and closes the pipe.
TEST_F(FaacProgram, InputThatStopsHalfwayGivesACompletePlayableFile) {
    const WaveSpec spec{.sampleRate = 44100, .channels = 2, .seconds = 3};
    const std::string stream = faactest::ToneWave(spec);
    const std::string header = faactest::WaveHeader(spec, 0);
    const std::size_t half = header.size() + stream.size() / 2 + 3;
    for (const bool mp4 : {false, true}) {
        SCOPED_TRACE(mp4 ? "MP4" : "ADTS");
        const std::string out = File(mp4 ? "cut.m4a" : "cut.aac");
        std::vector<std::string> args = {"-q", "120", "-c", "20000", "--mpeg-vers", "4"};
        if (mp4) args.push_back("-w");
        args.insert(args.end(), {"-o", out, "-"});
        FaacProcess process(args);
        ASSERT_TRUE(process.WriteInput(std::string_view(stream).substr(0, half), 20000));
        ASSERT_EQ(process.Wait(), 0) << process.StandardError();
        const DecodedAudio audio = faactest::DecodeFile(out);
        const double sentSeconds = (half - header.size()) / 4.0 / spec.sampleRate;
        EXPECT_GE(audio.Seconds(), sentSeconds - double(kAacFrame) / spec.sampleRate);
        EXPECT_LE(audio.Seconds(), sentSeconds + double(kAdtsExtraMost) / spec.sampleRate);
        ExpectTones(audio, spec);
    }
}

// Stopped from a terminal or a supervisor while waiting for more input: the file is finished.
TEST_F(FaacProgram, TerminateWhileWaitingForInputFinishesTheFile) {
    const WaveSpec spec{.sampleRate = 48000, .channels = 2, .seconds = 1};
    const std::string out = File("stopped.m4a");
    FaacProcess process({"-w", "-o", out, "-"});
    ASSERT_TRUE(process.WriteInput(faactest::ToneWave(spec)));
    // The output exists once the header has been read and the encoder is ready, which is
    // after the program has taken over the signal. The signal is sent once everything written
    // has been read, so the whole tone is in the file; the pipe stays open.
    for (int i = 0; i < 6000 && (!fs::exists(out) || process.UnreadInput() > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(out)) << "the encoder never started";
    ASSERT_EQ(process.UnreadInput(), 0) << "the encoder stopped reading";
    process.Signal(SIGTERM);
    // The pipe stays open: only the signal can end the input.
    const std::optional<int> exitCode = process.WaitWithInputOpen(std::chrono::seconds(60));
    ASSERT_TRUE(exitCode.has_value()) << "the signal did not end the input";
    ASSERT_EQ(*exitCode, 0) << process.StandardError();
    const DecodedAudio audio = faactest::DecodeFile(out);
    EXPECT_NEAR(audio.Seconds(), spec.seconds, double(kAacFrame) / spec.sampleRate);
    ExpectTones(audio, spec);
}

TEST_F(FaacProgram, HelpGoesToStandardOutput) {
    const auto result = RunFaac({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput.rfind("Usage: faac", 0), 0u) << result.standardOutput;
    EXPECT_NE(result.standardOutput.find("--mpeg-vers"), std::string::npos);
    EXPECT_EQ(result.standardError, "");
}

TEST_F(FaacProgram, BadCommandLinesFailWithOneMessageAndNoFile) {
    const std::string out = File("never.aac");
    const std::string wave = faactest::ToneWave({.seconds = 0.2});
    const std::vector<std::vector<std::string>> lines = {
        {"-q", "130", "-c", "22000", "--mpeg-vers", "4", "-z", "-o", out, "-"},
        {"-q", "-o", out, "-"},
        {"-q", "loud", "-o", out, "-"},
        {"-q", "5", "-o", out, "-"},
        {"-c", "22000", "--mpeg-vers", "3", "-o", out, "-"},
        {"-q", "130", "-"},
        {"-o", out},
        {"-o", out, "-", "-"},
    };
    for (const auto& line : lines) {
        std::string shown;
        for (const auto& arg : line) shown += arg + " ";
        const auto result = RunFaac(line, wave);
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_EQ(result.standardError.rfind("faac: ", 0), 0u) << shown << result.standardError;
        EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1)
            << shown << result.standardError;
        EXPECT_EQ(result.standardOutput, "") << shown;
        EXPECT_FALSE(fs::exists(out)) << shown;
    }
}

TEST_F(FaacProgram, BrokenHeadersFailWithoutTouchingTheOutput) {
    const std::string good = faactest::ToneWave({.seconds = 0.2});
    std::string adpcm = good;
    adpcm[good.find("fmt ") + 8] = 2;
    const std::vector<std::pair<std::string, std::string>> streams = {
        {"empty", ""},
        {"text", "Just some text, no RIFF here"},
        {"cut in the format chunk", good.substr(0, 30)},
        {"data before format", good.substr(0, 12) + good.substr(good.find("data"))},
        {"ADPCM", adpcm},
    };
    for (const bool mp4 : {false, true}) {
        for (const auto& [name, stream] : streams) {
            SCOPED_TRACE(name + (mp4 ? " to MP4" : " to ADTS"));
            const std::string fresh = File("fresh.aac");
            const std::string existing = File("existing.m4a");
            testenv::WriteFile(existing, "the user's earlier file");
            for (const std::string& out : {fresh, existing}) {
                std::vector<std::string> args = {"-q", "100"};
                if (mp4) args.push_back("-w");
                args.insert(args.end(), {"-o", out, "-"});
                const auto result = RunFaac(args, stream);
                EXPECT_EQ(result.exitCode, 1);
                EXPECT_EQ(result.standardError.rfind("faac: ", 0), 0u) << result.standardError;
                EXPECT_EQ(
                    std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1)
                    << result.standardError;
            }
            EXPECT_FALSE(fs::exists(fresh));
            EXPECT_EQ(testenv::ReadFile(existing), "the user's earlier file");
        }
    }
}

TEST_F(FaacProgram, AnOutputThatCannotBeCreatedIsReported) {
    testenv::WriteFile(File("plain-file"), "x");
    const std::string out = File("plain-file") + "/out.aac";  // a file is no folder, even for root
    const auto result = RunFaac({"-o", out, "-"}, faactest::ToneWave({.seconds = 0.2}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.standardError.find(out), std::string::npos) << result.standardError;
}

// A full disk must not pass for success.
TEST_F(FaacProgram, AWriteThatFailsIsReported) {
    for (const bool mp4 : {false, true}) {
        std::vector<std::string> args = {"-q", "130"};
        if (mp4) args.push_back("-w");
        args.insert(args.end(), {"-o", "/dev/full", "-"});
        const auto result = RunFaac(args, faactest::ToneWave({.seconds = 2}));
        EXPECT_EQ(result.exitCode, 1) << (mp4 ? "MP4" : "ADTS");
        EXPECT_NE(result.standardError.find("No space left"), std::string::npos)
            << result.standardError;
    }
}

// After a failure the program removes the output only when it created it: a file that was there
// before, or a link to another file, stays.
TEST_F(FaacProgram, AFailureRemovesOnlyAnOutputTheProgramCreated) {
    const std::string target = File("target.m4a");
    const std::string existing = File("existing.m4a");
    const std::string link = File("link.m4a");
    const std::string fresh = File("fresh.m4a");
    const struct {
        std::string out;
        bool bStays;
    } cases[] = {{fresh, false}, {existing, true}, {link, true}};
    for (const bool mp4 : {false, true}) {
        testenv::WriteFile(target, "the file the link names");
        testenv::WriteFile(existing, "the user's earlier file");
        fs::remove(link);
        fs::create_symlink(target, link);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.out + (mp4 ? " as MP4" : " as ADTS"));
            std::vector<std::string> args = {"-q", "130"};
            if (mp4) args.push_back("-w");
            args.insert(args.end(), {"-o", c.out, "-"});
            FaacProcess process(args);
            process.LimitFileSize(4096);  // before the program has read a byte
            process.WriteInput(faactest::ToneWave({.seconds = 2}));
            EXPECT_EQ(process.Wait(), 1);
            EXPECT_NE(process.StandardError().find("File too large"), std::string::npos)
                << process.StandardError();
            EXPECT_EQ(fs::exists(fs::symlink_status(c.out)), c.bStays);
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), target);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
    }
}

TEST_F(FaacProgram, TheInputIsNeverItsOwnOutput) {
    const std::string in = File("song.wav");
    const std::string wave = faactest::ToneWave({.unknownSizes = false, .seconds = 0.2});
    testenv::WriteFile(in, wave);
    const auto result = RunFaac({"-o", in, in});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.standardError.find("is the input"), std::string::npos) << result.standardError;
    EXPECT_EQ(testenv::ReadFile(in), wave);
}

TEST_F(FaacProgram, AMissingInputFileIsReported) {
    const std::string out = File("out.aac");
    const auto result = RunFaac({"-o", out, File("missing.wav")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.standardError.find("missing.wav"), std::string::npos) << result.standardError;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
