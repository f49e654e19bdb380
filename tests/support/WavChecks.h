// Checks of WAV files the player writes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestAudio.h"

namespace test_audio {

// Checks the 44-byte header of `file` field by field: 16-bit stereo PCM at 44.1 kHz (CD audio)
// with sizes that match the file. Gives the data after the header (empty when there is none).
inline std::string CheckedCdWavData(const std::string& file) {
    EXPECT_GE(file.size(), 44u);
    if (file.size() < 44) return {};
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 16u);
    EXPECT_EQ(U16(file, 20), 1u);  // PCM
    EXPECT_EQ(U16(file, 22), 2u);
    EXPECT_EQ(U32(file, 24), 44100u);
    EXPECT_EQ(U32(file, 28), 176400u);
    EXPECT_EQ(U16(file, 32), 4u);
    EXPECT_EQ(U16(file, 34), 16u);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(U32(file, 40), file.size() - 44);
    return file.substr(44);
}

}  // namespace test_audio
