// What the libraries under the layer may print on standard error: nothing about a good file, one
// line about a damaged one, and real errors as they happen.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "AudioTestSupport.h"
#include "audio/LibraryLog.h"
#include "support/Files.h"
#include "support/StderrCapture.h"

extern "C" {
#include <libavutil/log.h>
}

using namespace audio_test;

namespace {

// Opens the file as the player does, decodes it to the end and frees it; the samples read.
std::size_t DecodeWhole(const std::string& path) {
    const audio::HSTREAM stream =
        audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!stream) return 0;
    audio::ChannelGetLength(stream);
    const std::size_t samples = ReadAll(stream).size();
    audio::ChannelSetPosition(stream, 0);  // and a seek back
    audio::StreamFree(stream);
    return samples;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

const char* const kTone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 -ac 2";

TEST(LibraryLog, GoodFilesOfEveryKindDecodeWithoutAWord) {
    TempDir dir;
    // MP3 without a Xing header is the file FFmpeg guesses the length of, and says so.
    const struct {
        const char* name;
        const char* options;
    } files[] = {
        {"plain.mp3", "-c:a libmp3lame -b:a 128k -write_xing 0"},
        {"vbr.mp3", "-c:a libmp3lame -q:a 4"},
        {"song.ogg", "-c:a libvorbis"},
        {"song.m4a", "-c:a aac"},
        {"song.flac", "-c:a flac"},
        {"song.wma", "-c:a wmav2"},
        {"song.opus", "-c:a libopus"},
        {"song.aiff", "-c:a pcm_s16be"},
    };
    for (const auto& file : files) {
        const std::string path = dir.File(file.name);
        ASSERT_TRUE(Ffmpeg(std::string(kTone) + " " + file.options, path)) << file.name;
        testenv::StderrCapture capture(dir.File("stderr.txt"));
        EXPECT_GT(DecodeWhole(path), 44100u * 2 * 3) << file.name;
        EXPECT_EQ(capture.Text(), "") << file.name;
    }
}

TEST(LibraryLog, ADamagedFileIsSummedUpOnceInOneLine) {
    TempDir dir;
    const std::string path = dir.File("damaged.mp3");
    ASSERT_TRUE(Ffmpeg(std::string(kTone) + " -c:a libmp3lame -b:a 128k", path));
    // Random bytes over a stretch in the middle: many frames decode wrongly or not at all.
    std::string bytes = testenv::ReadFile(path);
    std::mt19937 random(7);
    for (std::size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i)
        bytes[i] = static_cast<char>(random());
    testenv::WriteFile(path, bytes);

    testenv::StderrCapture capture(dir.File("stderr.txt"));
    EXPECT_GT(DecodeWhole(path), 0u);
    EXPECT_GT(DecodeWhole(path), 0u);  // the same file once more, as the waveform does
    const std::string text = capture.Text();
    EXPECT_EQ(Lines(text), 1u) << text;
    EXPECT_NE(text.find(path + ": "), std::string::npos) << text;
    EXPECT_NE(text.find("decoding error"), std::string::npos) << text;
}

TEST(LibraryLog, ErrorsOutsideADecoderArePrintedAndLesserMessagesDropped) {
    TempDir dir;
    audio::detail::InstallLibraryLogging();
    testenv::StderrCapture capture(dir.File("stderr.txt"));
    av_log(nullptr, AV_LOG_INFO, "a note\n");
    av_log(nullptr, AV_LOG_WARNING, "a warning\n");
    av_log(nullptr, AV_LOG_ERROR, "the encoder refused %d Hz\n", 12345);
    SDL_LogWarn(SDL_LOG_CATEGORY_AUDIO, "an SDL warning");
    SDL_LogError(SDL_LOG_CATEGORY_AUDIO, "an SDL error");
    EXPECT_EQ(capture.Text(),
              "audio: FFmpeg: the encoder refused 12345 Hz\naudio: SDL: an SDL error\n");
}

}  // namespace
