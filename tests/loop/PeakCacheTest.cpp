// The song's peak levels read on a background thread, and the level picture drawn from them
// compared with the picture decoded the old way, over real decoding of WAV and MP3 files written
// here.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PictureCompare.h"
#include "audio/Audio.h"
#include "engine/TestMedia.h"
#include "loop/PeakCache.h"
#include "loop/WaveformImage.h"
#include "loop/WaveformView.h"

namespace {

constexpr int kWidth = 446;
constexpr int kHeight = 150;

using Sample = std::function<std::int16_t(std::size_t frame, int channel)>;

std::vector<std::int16_t> Samples(int rate, int channels, double seconds, const Sample& sample) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> samples(frames * channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) samples[i * channels + c] = sample(i, c);
    return samples;
}

// Two tones whose loudness swells and fades slowly, differently on each side: a reading's peak
// hardly differs from its neighbour's.
Sample Swelling(int rate) {
    return [rate](std::size_t frame, int c) -> std::int16_t {
        const double t = double(frame) / rate;
        const double envelope = c == 0 ? 0.5 + 0.45 * std::sin(2 * M_PI * t / 7)
                                       : 0.5 + 0.45 * std::cos(2 * M_PI * t / 5);
        return static_cast<std::int16_t>(
            std::lround(32000 * envelope * std::sin(2 * M_PI * (c == 0 ? 220 : 330) * t)));
    };
}

// Noise whose loudness jumps every 70 ms, with silent stretches: neighbouring readings differ.
Sample Jumpy(int rate) {
    return [rate](std::size_t frame, int c) -> std::int16_t {
        const std::uint32_t block = static_cast<std::uint32_t>(frame * 1000 / rate / 70);
        std::uint32_t seed = block * 2654435761u + static_cast<std::uint32_t>(c) * 40503u;
        seed ^= seed >> 13;
        const int loudness = seed % 5 == 0 ? 0 : static_cast<int>(seed % 32768);
        std::uint32_t noise = static_cast<std::uint32_t>(frame) * 1103515245u + 12345u + seed;
        noise ^= noise >> 16;
        return static_cast<std::int16_t>(int(noise % 65536) * loudness / 65536 - loudness / 2);
    };
}

// Waits until the reader is done; a reader that never ends fails the test instead of hanging it.
::testing::AssertionResult WaitFinal(const CPeakCache& cache) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!cache.IsFinal()) {
        if (std::chrono::steady_clock::now() > deadline)
            return ::testing::AssertionFailure() << "the reader never finished";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ::testing::AssertionSuccess();
}

class PeakCacheTest : public ::testing::Test {
protected:
    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }
    std::string Write(const std::string& name, int rate, int channels, double seconds,
                      const Sample& sample) {
        return testmedia::WriteWavSamples(Media(name), rate, channels,
                                          Samples(rate, channels, seconds, sample));
    }
    // The same song as an MP3 (the ffmpeg program with LAME).
    std::string Mp3Of(const std::string& wav, const std::string& name) {
        QProcess ffmpeg;
        const std::string mp3 = Media(name);
        ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-i", QString::fromStdString(wav), "-c:a",
                                "libmp3lame", "-q:a", "4", QString::fromStdString(mp3)});
        EXPECT_TRUE(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0);
        return mp3;
    }
    // The picture drawn from the song's peaks read to the end.
    static CWaveformImage FromPeaks(const CPeakCache& cache, audio::QWORD start,
                                    audio::QWORD bytesPerColumn) {
        EXPECT_EQ(cache.GetState(), CPeakCache::State::Complete);
        CWaveformImage image(kWidth, kHeight);
        image.Draw(cache.Steps(), start, bytesPerColumn);
        return image;
    }
    static audio::QWORD Length(const std::string& path) {
        const audio::HSTREAM decoder =
            audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        const audio::QWORD length = audio::ChannelGetLength(decoder);
        audio::StreamFree(decoder);
        return length;
    }
    QTemporaryDir m_media;
};

TEST_F(PeakCacheTest, ReadsEachFiftiethOfASecondsPeaksOnceInOrder) {
    // 22050 Hz mono: a reading is 441 frames of one channel, given as both peaks.
    for (const auto& [rate, channels] : {std::pair{44100, 2}, std::pair{22050, 1}}) {
        SCOPED_TRACE(rate);
        const std::vector<std::int16_t> samples = Samples(rate, channels, 3.01, Jumpy(rate));
        const std::string path =
            testmedia::WriteWavSamples(Media("peaks.wav"), rate, channels, samples);
        CPeakCache cache;
        EXPECT_EQ(cache.GetState(), CPeakCache::State::Empty);
        cache.Start(path);
        ASSERT_TRUE(WaitFinal(cache));
        ASSERT_EQ(cache.GetState(), CPeakCache::State::Complete);
        EXPECT_EQ(cache.Path(), path);

        const std::size_t frames = samples.size() / channels;
        const std::size_t perStep = rate / 50;
        const auto steps = cache.Steps();
        // 3.01 s: 150 whole readings and a short last one.
        ASSERT_EQ(steps.size(), (frames + perStep - 1) / perStep);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(i);
            int left = 0, right = 0;
            for (std::size_t f = i * perStep; f < std::min(frames, (i + 1) * perStep); ++f) {
                left = std::max(left, std::abs(int(samples[f * channels])));
                right = std::max(right, std::abs(int(samples[f * channels + channels - 1])));
            }
            ASSERT_EQ(steps[i].start, i * perStep * channels * 2);
            ASSERT_EQ(steps[i].level & 0xFFFFu, audio::DWORD(left));
            ASSERT_EQ(steps[i].level >> 16, audio::DWORD(right));
        }
        cache.Stop();  // after the end: nothing changes
        EXPECT_EQ(cache.GetState(), CPeakCache::State::Complete);
        EXPECT_EQ(cache.Steps().size(), steps.size());
    }
}

TEST_F(PeakCacheTest, StopEndsTheReadingKeepsWhatWasReadAndClosesTheFile) {
    const std::string path = Write("long.wav", 22050, 1, 600, Jumpy(22050));
    const std::size_t total = 600 * 50;
    CPeakCache cache;
    cache.Start(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (cache.Steps().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(cache.Steps().empty());
    cache.Stop();
    EXPECT_EQ(cache.GetState(), CPeakCache::State::Stopped);
    EXPECT_TRUE(cache.IsFinal());
    const auto steps = cache.Steps();
    EXPECT_LT(steps.size(), total);
    for (std::size_t i = 0; i < steps.size(); ++i) ASSERT_EQ(steps[i].start, i * 882) << i;
    // The reader's decoder went before Stop returned.
    EXPECT_EQ(picture::OpenCount(path), 0);
    // What was read stays as it was.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(cache.Steps().size(), steps.size());
    EXPECT_EQ(cache.GetState(), CPeakCache::State::Stopped);
}

TEST_F(PeakCacheTest, AnotherSongOrTheEndOfTheCacheStopsTheReaderInTheMiddle) {
    const std::string longSong = Write("long.wav", 22050, 1, 600, Jumpy(22050));
    const std::string shortSong = Write("short.wav", 44100, 2, 2, Jumpy(44100));
    CPeakCache cache;
    cache.Start(longSong);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cache.Start(shortSong);
    EXPECT_EQ(picture::OpenCount(longSong), 0);
    ASSERT_TRUE(WaitFinal(cache));
    EXPECT_EQ(cache.GetState(), CPeakCache::State::Complete);
    EXPECT_EQ(cache.Path(), shortSong);
    EXPECT_EQ(cache.Steps().size(), 100u);
    EXPECT_EQ(cache.Steps().back().start, 99u * 3528);
    EXPECT_EQ(picture::OpenCount(shortSong), 0);

    // Gone while opening, and gone while reading: the thread and its decoder go with it.
    for (int wait : {0, 30}) {
        {
            CPeakCache dying;
            dying.Start(longSong);
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        }
        EXPECT_EQ(picture::OpenCount(longSong), 0) << wait;
    }
}

TEST_F(PeakCacheTest, ASongThatCannotBeOpenedFailsWithoutSteps) {
    testenv::WriteFile(Media("text.wav"), "not a song at all, only words\n");
    for (const std::string& path : {Media("text.wav"), Media("missing.mp3"), std::string()}) {
        SCOPED_TRACE(path);
        CPeakCache cache;
        cache.Start(path);
        ASSERT_TRUE(WaitFinal(cache));
        EXPECT_EQ(cache.GetState(), CPeakCache::State::Failed);
        EXPECT_TRUE(cache.Steps().empty());
    }
}

class PeakPictureTest : public PeakCacheTest {
protected:
    // The picture from the peaks and the one decoded for the same view, pixel for pixel.
    void ExpectSameAsDecoded(const CPeakCache& cache, const std::string& path, audio::QWORD start,
                             audio::QWORD bytesPerColumn) {
        SCOPED_TRACE(testing::Message() << path << " from " << start << " at " << bytesPerColumn);
        const CWaveformImage decoded =
            picture::Decoded(path, kWidth, kHeight, start, bytesPerColumn);
        const CWaveformImage drawn = FromPeaks(cache, start, bytesPerColumn);
        EXPECT_TRUE(drawn.Image() == decoded.Image());
    }
};

TEST_F(PeakPictureTest, EqualsTheDecodedPicturePixelForPixelWhereTheReadingsFallAlike) {
    const std::string swelling = Write("swelling.wav", 44100, 2, 60, Swelling(44100));
    const std::string jumpy = Write("jumpy.wav", 44100, 2, 60, Jumpy(44100));
    const std::string mp3 = Mp3Of(jumpy, "jumpy.mp3");
    const std::string shortSong = Write("short.wav", 44100, 2, 2.5, Jumpy(44100));
    const std::string mono = Write("mono.wav", 22050, 1, 30, Jumpy(22050));
    for (const std::string& path : {swelling, jumpy, mp3, shortSong, mono}) {
        CPeakCache cache;
        cache.Start(path);
        ASSERT_TRUE(WaitFinal(cache));
        const audio::QWORD step = cache.Steps()[1].start;
        const audio::DWORD perColumn = BytesPerColumn(Length(path), kWidth, step);
        // The whole song, as it is loaded, and zoomed views starting on a reading.
        ExpectSameAsDecoded(cache, path, 0, perColumn);
        for (int zoom = 2; zoom <= 32; zoom *= 2) {
            const audio::QWORD middle = Length(path) / 2 / step * step;
            ExpectSameAsDecoded(cache, path, middle, perColumn / zoom);
            ExpectSameAsDecoded(cache, path, 0, perColumn / zoom);
        }
    }
}

TEST_F(PeakPictureTest, WhereTheReadingsFallDifferentlyBarsMoveByAtMostOneColumnAndRow) {
    const std::string path = Write("swelling.wav", 44100, 2, 60, Swelling(44100));
    CPeakCache cache;
    cache.Start(path);
    ASSERT_TRUE(WaitFinal(cache));
    const double seconds = 60;
    const audio::DWORD perColumn = BytesPerColumn(Length(path), kWidth, 3528);
    // Zooming in step by step around places that do not fall on a reading, as the page does.
    float viewStart = 0;
    for (int zoom = 2; zoom <= 32; zoom *= 2) {
        viewStart = ZoomedViewStart(viewStart, seconds, kWidth, zoom / 2, zoom, 20 + 137);
        const auto start = static_cast<audio::QWORD>(std::llround(viewStart * 44100.0)) * 4;
        SCOPED_TRACE(testing::Message() << "zoom " << zoom << " from " << start);
        ASSERT_NE(start % 3528, 0u);
        const CWaveformImage decoded =
            picture::Decoded(path, kWidth, kHeight, start, perColumn / zoom);
        const CWaveformImage drawn = FromPeaks(cache, start, perColumn / zoom);
        EXPECT_TRUE(
            picture::AlikeWithinOneBar(drawn.Image(), decoded.Image(), 3528, perColumn / zoom));
        int drawnColumns = 0;
        for (int column = 0; column < kWidth; ++column)
            drawnColumns += picture::Drawn(drawn.Image(), column);
        EXPECT_GT(drawnColumns, kWidth / zoom);  // the view is not empty
    }
}

TEST_F(PeakPictureTest, PeaksReadSoFarDrawTheColumnsTheyReachAndNoMore) {
    const std::string path = Write("jumpy.wav", 44100, 2, 30, Jumpy(44100));
    CPeakCache cache;
    cache.Start(path);
    ASSERT_TRUE(WaitFinal(cache));
    const auto steps = cache.Steps();
    const audio::DWORD perColumn = BytesPerColumn(Length(path), kWidth, 3528);
    CWaveformImage whole(kWidth, kHeight);
    whole.Draw(steps, 0, perColumn);
    for (const std::size_t read :
         {std::size_t(1), std::size_t(100), std::size_t(777), steps.size() - 1}) {
        SCOPED_TRACE(read);
        CWaveformImage part(kWidth, kHeight);
        part.Draw(steps.first(read), 0, perColumn);
        // The column of the last reading may still be waiting for more of its readings.
        const int reached = static_cast<int>(steps[read - 1].start / perColumn);
        for (int column = 0; column < kWidth; ++column) {
            const QImage& a = part.Image();
            const QImage& b = whole.Image();
            if (column < reached) {
                ASSERT_EQ(picture::LeftBar(a, column), picture::LeftBar(b, column)) << column;
                ASSERT_EQ(picture::RightBar(a, column), picture::RightBar(b, column)) << column;
            } else if (column > reached) {
                ASSERT_FALSE(picture::Drawn(a, column)) << column;
            } else {
                ASSERT_LE(picture::LeftBar(a, column), picture::LeftBar(b, column));
            }
        }
    }
    // No peaks, or a column of no bytes: nothing drawn.
    CWaveformImage none(kWidth, kHeight);
    none.Draw({}, 0, perColumn);
    none.Draw(steps, 0, 0);
    for (int column = 0; column < kWidth; ++column)
        ASSERT_FALSE(picture::Drawn(none.Image(), column));
}

}  // namespace
