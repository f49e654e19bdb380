// The loop editor's level picture, marker labels and column arithmetic, over real decoding of
// WAV files written here.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "engine/TestMedia.h"
#include "loop/MarkerLabel.h"
#include "loop/WaveformImage.h"
#include "loop/WaveformView.h"

namespace {

constexpr int kRate = 44100;
constexpr int kWidth = 446;
constexpr int kHeight = 150;
constexpr int kCentre = 75;
constexpr audio::QWORD kTwentyMs = kRate / 50 * 4;

// A stereo song whose samples come from `sample(frame, channel)`.
std::string WriteSong(const std::string& path, double seconds,
                      const std::function<std::int16_t(std::size_t, int)>& sample) {
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<std::int16_t> samples(frames * 2);
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) samples[i * 2 + c] = sample(i, c);
    return testmedia::WriteWavSamples(path, kRate, 2, samples);
}

// A square wave of the given height on one channel, silence on the other.
std::function<std::int16_t(std::size_t, int)> Square(int channel, int high, int low) {
    return [=](std::size_t frame, int c) -> std::int16_t {
        if (c != channel) return 0;
        return static_cast<std::int16_t>((frame / 50) % 2 ? high : low);
    };
}

class WaveformImageTest : public ::testing::Test {
protected:
    // The picture of a whole song at zoom 1, as the page makes it.
    CWaveformImage Picture(const std::string& path, int zoom = 1, audio::QWORD start = 0) {
        const audio::HSTREAM decoder =
            audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        EXPECT_NE(decoder, 0u);
        CWaveformImage image(kWidth, kHeight);
        const audio::DWORD perColumn =
            BytesPerColumn(audio::ChannelGetLength(decoder), kWidth, kTwentyMs);
        image.Compute(decoder, start, perColumn / audio::DWORD(zoom));
        audio::StreamFree(decoder);
        return image;
    }
    static int Pixel(const CWaveformImage& image, int column, int row) {
        return image.Image().pixelIndex(column, row);
    }
    // Rows of one column that are not black, counted from the centre up (left) and down.
    static int LeftBar(const CWaveformImage& image, int column) {
        int n = 0;
        while (n < kCentre && Pixel(image, column, kCentre - 1 - n) != 0) ++n;
        return n;
    }
    static int RightBar(const CWaveformImage& image, int column) {
        int n = 0;
        while (kCentre + 1 + n < kHeight && Pixel(image, column, kCentre + 1 + n) != 0) ++n;
        return n;
    }
    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }
    QTemporaryDir m_media;
};

TEST_F(WaveformImageTest, PaletteRunsFromGreenAtTheCentreToRedAtFullScale) {
    const CWaveformImage image(kWidth, kHeight);
    const QImage& picture = image.Image();
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(picture.size(), QSize(kWidth, kHeight));
    ASSERT_EQ(picture.colorCount(), kCentre + 1);
    EXPECT_EQ(picture.color(0), qRgb(0, 0, 0));
    EXPECT_EQ(picture.color(1), qRgb(3, 252, 0));  // 255 / 75 = 3
    EXPECT_EQ(picture.color(37), qRgb(125, 130, 0));
    EXPECT_EQ(picture.color(kCentre), qRgb(255, 0, 0));
    for (int row = 0; row < kHeight; ++row) EXPECT_EQ(Pixel(image, 200, row), 0);
}

TEST_F(WaveformImageTest, FullScaleRightChannelFillsTheLowerHalfToTheBottomRowOnly) {
    const CWaveformImage image =
        Picture(WriteSong(Media("right.wav"), 10, Square(1, 32767, -32768)));
    for (int column = 0; column < kWidth; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(Pixel(image, column, kCentre), 0);  // the centre row is never drawn
        EXPECT_EQ(LeftBar(image, column), 0);
        // 75 rows would be full scale; the picture has 74 below the centre, all of them drawn.
        ASSERT_EQ(RightBar(image, column), kHeight - 1 - kCentre);
        EXPECT_EQ(Pixel(image, column, kCentre + 1), 1);
        EXPECT_EQ(Pixel(image, column, kHeight - 1), 74);
    }
}

TEST_F(WaveformImageTest, HalfScaleLeftChannelGivesBarsOfHalfTheHeight) {
    const CWaveformImage image =
        Picture(WriteSong(Media("left.wav"), 10, Square(0, 16384, -16384)));
    for (int column = 0; column < kWidth; ++column) {
        SCOPED_TRACE(column);
        ASSERT_EQ(LeftBar(image, column), 37);  // 75 * 16384 >> 15
        EXPECT_EQ(Pixel(image, column, kCentre - 1), 1);
        EXPECT_EQ(Pixel(image, column, kCentre - 37), 37);
        EXPECT_EQ(Pixel(image, column, 0), 0);
        EXPECT_EQ(RightBar(image, column), 0);
    }
}

TEST_F(WaveformImageTest, BarsFollowTheSongFromLeftToRight) {
    // Loud on the left channel for the first quarter, then quiet on the right.
    const CWaveformImage image =
        Picture(WriteSong(Media("steps.wav"), 8, [](std::size_t frame, int c) -> std::int16_t {
            const bool first = frame < std::size_t(2 * kRate);
            if (first) return c == 0 ? 30000 : 0;
            return c == 1 ? 8192 : 0;
        }));
    EXPECT_EQ(LeftBar(image, 10), 68);  // 75 * 30000 >> 15
    EXPECT_EQ(RightBar(image, 10), 0);
    EXPECT_EQ(LeftBar(image, 300), 0);
    EXPECT_EQ(RightBar(image, 300), 18);  // 75 * 8192 >> 15
    // 8 s is less than 446 columns of 20 ms: the change at 2 s lies at column 100.
    EXPECT_GT(LeftBar(image, 98), 0);
    EXPECT_EQ(LeftBar(image, 102), 0);
    EXPECT_EQ(LeftBar(image, 405), 0);
    EXPECT_EQ(RightBar(image, 405), 0);
}

TEST_F(WaveformImageTest, ASongShorterThanTheWidthEndsThePictureEarly) {
    // 2 s at 20 ms a column: 100 columns, the rest black.
    const std::string path = Media("short.wav");
    WriteSong(path, 2, Square(0, 20000, -20000));
    const audio::HSTREAM decoder =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(decoder, 0u);
    EXPECT_EQ(BytesPerColumn(audio::ChannelGetLength(decoder), kWidth, kTwentyMs), kTwentyMs);
    audio::StreamFree(decoder);
    const CWaveformImage image = Picture(path);
    for (int column = 0; column < 99; ++column) EXPECT_GT(LeftBar(image, column), 0) << column;
    for (int column = 101; column < kWidth; ++column)
        EXPECT_EQ(LeftBar(image, column), 0) << column;
}

TEST_F(WaveformImageTest, ZoomedInBeyondOneReadingPerColumnLeavesGaps) {
    const std::string path = WriteSong(Media("zoom.wav"), 10, Square(0, 20000, -20000));
    // 10 s over 446 columns at zoom 32: one reading of 20 ms spans about 29 columns.
    const CWaveformImage image = Picture(path, 32);
    int drawn = 0;
    for (int column = 0; column < kWidth; ++column) drawn += LeftBar(image, column) > 0;
    EXPECT_GE(drawn, 14);
    EXPECT_LE(drawn, 17);
    EXPECT_GT(LeftBar(image, 0), 0);
    EXPECT_EQ(LeftBar(image, 1), 0);
}

TEST_F(WaveformImageTest, StartsAtTheGivenPosition) {
    // Silence for 10 s, then a loud left channel: from 10 s on the whole picture is drawn.
    const std::string path =
        WriteSong(Media("late.wav"), 20, [](std::size_t frame, int c) -> std::int16_t {
            return frame >= std::size_t(10 * kRate) && c == 0 ? 30000 : 0;
        });
    const CWaveformImage whole = Picture(path);
    EXPECT_EQ(LeftBar(whole, 100), 0);
    EXPECT_EQ(LeftBar(whole, 300), 68);
    const CWaveformImage late = Picture(path, 2, audio::QWORD(10 * kRate) * 4);
    for (int column = 0; column < kWidth - 1; ++column)
        EXPECT_EQ(LeftBar(late, column), 68) << column;
}

TEST_F(WaveformImageTest, AnUnreadableDecoderDrawsNothing) {
    CWaveformImage image(kWidth, kHeight);
    image.Compute(0, 0, kTwentyMs);
    image.Compute(12345, 0, kTwentyMs);  // not a handle: every reading fails at once
    for (int column = 0; column < kWidth; ++column) EXPECT_EQ(LeftBar(image, column), 0);
}

class MarkerLabelTest : public WaveformImageTest {
protected:
    void SetUp() override {
        const std::string path = WriteSong(Media("tiny.wav"), 0.1, Square(0, 1, 1));
        m_stream = audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        ASSERT_NE(m_stream, 0u);
    }
    void TearDown() override { audio::StreamFree(m_stream); }
    static audio::QWORD Bytes(double seconds) {
        return static_cast<audio::QWORD>(std::llround(seconds * kRate)) * 4;
    }
    audio::HSTREAM m_stream = 0;
};

TEST_F(MarkerLabelTest, ReadsMinutesSecondsAndRoundedHundredths) {
    EXPECT_EQ(MarkerLabel(m_stream, 0), "0:00.00");
    EXPECT_EQ(MarkerLabel(m_stream, Bytes(83.456)), "1:23.46");
    EXPECT_EQ(MarkerLabel(m_stream, Bytes(83.454)), "1:23.45");
    EXPECT_EQ(MarkerLabel(m_stream, Bytes(9.05)), "0:09.05");
    EXPECT_EQ(MarkerLabel(m_stream, Bytes(3725.5)), "62:05.50");
    // The last bytes of a second round into the next one.
    EXPECT_EQ(MarkerLabel(m_stream, Bytes(59.998)), "1:00.00");
}

TEST(WaveformViewTest, ColumnsAndPositionsConvertBothWaysWithinTheArea) {
    WaveformView view;
    view.nWaveWidth = kWidth;
    view.dwBytesPerColumn = 4000;
    view.nZoom = 4;
    view.qwViewStart = 100000;
    EXPECT_EQ(view.ColumnToPosition(20), 100000u);
    EXPECT_EQ(view.ColumnToPosition(21), 101000u);
    EXPECT_EQ(view.ColumnToPosition(465), 100000u + 445u * 1000u);
    // Clicks beside the area take its nearest column.
    EXPECT_EQ(view.ColumnToPosition(0), 100000u);
    EXPECT_EQ(view.ColumnToPosition(-50), 100000u);
    EXPECT_EQ(view.ColumnToPosition(900), 100000u + 445u * 1000u);

    EXPECT_EQ(view.PositionToX(100000), 20);
    EXPECT_EQ(view.PositionToX(100999), 20);
    EXPECT_EQ(view.PositionToX(101000), 21);
    EXPECT_EQ(view.PositionToX(100000 + 446 * 1000), 466);  // the right edge, outside
    EXPECT_EQ(view.PositionToX(99000), 19);                 // left of the view
    EXPECT_EQ(view.PositionToX(0), -80);
    for (int x = 20; x < 466; ++x) EXPECT_EQ(view.PositionToX(view.ColumnToPosition(x)), x);

    // Far beyond the view in a long song, still a column far outside.
    EXPECT_GT(view.PositionToX(audio::QWORD(1) << 40), 466);
}

TEST(WaveformViewTest, AColumnCoversTheSongSpreadOverTheWidthButAtLeast20Ms) {
    EXPECT_EQ(BytesPerColumn(176400 * 60, kWidth, kTwentyMs), 176400u * 60 / 446);
    EXPECT_EQ(BytesPerColumn(176400, kWidth, kTwentyMs), kTwentyMs);
    EXPECT_EQ(BytesPerColumn(0, kWidth, kTwentyMs), kTwentyMs);
    // A song of more than 4 GB of samples (seven hours) is spread as well.
    EXPECT_EQ(BytesPerColumn(176400ull * 3600 * 7, kWidth, kTwentyMs), 176400ull * 3600 * 7 / 446);
}

TEST(WaveformViewTest, ZoomCentresTheClickedTimeAndKeepsTheViewInTheSong) {
    const double song = 100;
    // In the middle at zoom 1: the clicked time (column 244 of 446) becomes the centre.
    const double clicked = song * (244 - 21) / 446.0;
    EXPECT_NEAR(ZoomedViewStart(0, song, kWidth, 1, 2, 244), clicked - 25, 1e-4);
    // At the right edge the view is kept inside the song's end.
    EXPECT_FLOAT_EQ(ZoomedViewStart(0, song, kWidth, 1, 2, 465), 50);
    // At the left edge it starts at 0.
    EXPECT_FLOAT_EQ(ZoomedViewStart(0, song, kWidth, 1, 2, 21), 0);
    // From zoom 4 at 30 s, out to 2 around the view's centre.
    EXPECT_NEAR(ZoomedViewStart(30, song, kWidth, 4, 2, 244), 30 + 25 * (223 / 446.0) - 25, 1e-4);
    // Back to zoom 1 the view always starts at 0.
    EXPECT_FLOAT_EQ(ZoomedViewStart(30, song, kWidth, 2, 1, 400), 0);

    EXPECT_FLOAT_EQ(ClampViewStart(-3, song, 4), 0);
    EXPECT_FLOAT_EQ(ClampViewStart(80, song, 4), 75);
    EXPECT_FLOAT_EQ(ClampViewStart(40, song, 4), 40);
}

}  // namespace
