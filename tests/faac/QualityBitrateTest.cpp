// From -q to the encoder's bitrate: the player's rows, everything between and beyond them.
#include <gtest/gtest.h>

#include "QualityBitrate.h"

namespace {

// The AAC rows of the player's bitrate chooser: quality and the bitrate shown beside it.
struct ChooserRow {
    int quality;
    double shownKbps;
};
constexpr ChooserRow kChooserRows[] = {{130, 218}, {120, 194}, {110, 158}, {100, 129},
                                       {90, 103},  {80, 79},   {70, 62}};

double MostAacLcCarries(int channels, int sampleRate) {
    return 6144.0 * channels * sampleRate / 1024.0;
}

TEST(FaacQualityBitrate, EachChooserRowAimsAtTheBitrateShownForIt) {
    for (const ChooserRow& row : kChooserRows) {
        EXPECT_DOUBLE_EQ(faac::ShownStereoKbps(row.quality), row.shownKbps) << row.quality;
        // The encoder is asked for a little less than shown (it overshoots), never much less.
        const double asked = faac::EncoderBitRate(row.quality, 2, 44100) / 1000.0;
        EXPECT_LE(asked, row.shownKbps) << row.quality;
        EXPECT_GE(asked, row.shownKbps * 0.9) << row.quality;
    }
}

TEST(FaacQualityBitrate, HigherQualityNeverGivesFewerBits) {
    for (int q = 10; q < 500; ++q) {
        EXPECT_GT(faac::ShownStereoKbps(q), 0) << q;
        EXPECT_LT(faac::ShownStereoKbps(q), faac::ShownStereoKbps(q + 1)) << q;
        EXPECT_LE(faac::EncoderBitRate(q, 2, 48000), faac::EncoderBitRate(q + 1, 2, 48000)) << q;
    }
    // Between two rows the value lies between theirs.
    EXPECT_GT(faac::ShownStereoKbps(125), 194);
    EXPECT_LT(faac::ShownStereoKbps(125), 218);
}

TEST(FaacQualityBitrate, BitsScaleWithTheChannelCount) {
    for (const ChooserRow& row : kChooserRows) {
        const int stereo = faac::EncoderBitRate(row.quality, 2, 44100);
        EXPECT_NEAR(faac::EncoderBitRate(row.quality, 1, 44100), stereo / 2.0, 1) << row.quality;
        EXPECT_NEAR(faac::EncoderBitRate(row.quality, 6, 48000), stereo * 3.0, 3) << row.quality;
    }
}

TEST(FaacQualityBitrate, NeverMoreThanAacLcCarriesAtTheRate) {
    for (const int rate : {7350, 8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000}) {
        for (int channels = 1; channels <= 8; ++channels) {
            for (const int q : {10, 70, 130, 500}) {
                const int bits = faac::EncoderBitRate(q, channels, rate);
                EXPECT_GT(bits, 0);
                EXPECT_LE(bits, MostAacLcCarries(channels, rate))
                    << "q " << q << ", " << channels << " channels at " << rate << " Hz";
            }
        }
    }
    // At 8 kHz the first row's 218 kbps is more than two channels can carry.
    EXPECT_EQ(faac::EncoderBitRate(130, 2, 8000), MostAacLcCarries(2, 8000));
}

}  // namespace
