// Comparing two level pictures of the loop editor, and making the picture the way the page used
// to: decoding the view with a decoder of its own.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <string>

#include "audio/Audio.h"
#include "loop/WaveformImage.h"

namespace picture {

// Rows of one column that are not black, counted from the centre up (left) and down (right).
inline int LeftBar(const QImage& image, int column) {
    const int centre = image.height() / 2;
    int n = 0;
    while (n < centre && image.pixelIndex(column, centre - 1 - n) != 0) ++n;
    return n;
}
inline int RightBar(const QImage& image, int column) {
    const int centre = image.height() / 2;
    int n = 0;
    while (centre + 1 + n < image.height() && image.pixelIndex(column, centre + 1 + n) != 0) ++n;
    return n;
}
inline bool Drawn(const QImage& image, int column) {
    return LeftBar(image, column) > 0 || RightBar(image, column) > 0;
}

// The picture of `width` x `height` decoded from the song's own decoder, from byte `start` at
// `bytesPerColumn` a column.
inline CWaveformImage Decoded(const std::string& path, int width, int height, audio::QWORD start,
                              audio::QWORD bytesPerColumn) {
    const audio::HSTREAM decoder =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    EXPECT_NE(decoder, 0u) << path;
    CWaveformImage image(width, height);
    image.Compute(decoder, start, bytesPerColumn);
    audio::StreamFree(decoder);
    return image;
}

// Where the 20 ms readings fall differently in the two pictures, a bar may land up to one
// reading further on (at least one column) and be one row taller or shorter: every column drawn
// in one picture has a column drawn in the other at most that far away, whose bars differ by at
// most one row.
inline ::testing::AssertionResult AlikeWithinOneBar(const QImage& a, const QImage& b,
                                                    audio::QWORD readingBytes,
                                                    audio::QWORD bytesPerColumn) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    const int reach = static_cast<int>(std::max<audio::QWORD>(
        1, (readingBytes + bytesPerColumn - 1) / std::max<audio::QWORD>(1, bytesPerColumn)));
    const auto matched = [reach](const QImage& one, const QImage& other, int column) {
        for (int c = std::max(0, column - reach); c <= std::min(other.width() - 1, column + reach);
             ++c)
            if (Drawn(other, c) && std::abs(LeftBar(one, column) - LeftBar(other, c)) <= 1 &&
                std::abs(RightBar(one, column) - RightBar(other, c)) <= 1)
                return true;
        return false;
    };
    for (int column = 0; column < a.width(); ++column) {
        if (Drawn(a, column) && !matched(a, b, column))
            return ::testing::AssertionFailure()
                   << "column " << column << " (bars " << LeftBar(a, column) << ", "
                   << RightBar(a, column) << ") has no like column in the other picture";
        if (Drawn(b, column) && !matched(b, a, column))
            return ::testing::AssertionFailure()
                   << "column " << column << " (bars " << LeftBar(b, column) << ", "
                   << RightBar(b, column) << ") of the other picture has no like column";
    }
    return ::testing::AssertionSuccess();
}

// How many of this process's open files are `path`.
inline int OpenCount(const std::string& path) {
    char real[4096];
    if (!realpath(path.c_str(), real)) return 0;
    int n = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    while (const dirent* entry = readdir(dir)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[4096];
        const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = 0;
        n += std::string(target) == real;
    }
    closedir(dir);
    return n;
}

}  // namespace picture
