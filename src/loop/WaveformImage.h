#pragma once

#include <QImage>

#include "audio/Audio.h"

// The two-channel level picture of the loop editor: an 8-bit palette image, rows top-down. The
// centre row stays black; the left channel's bars rise from just above it, the right channel's
// fall from just below it. A pixel at distance d from the centre row has palette entry d, which
// runs from green beside the centre to red at full scale.
class CWaveformImage {
public:
    CWaveformImage() = default;
    CWaveformImage(int width, int height);

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // The centre row, H; also the number of rows each channel may fill.
    int CentreRow() const { return m_image.height() / 2; }
    const QImage& Image() const { return m_image; }

    // Every pixel back to entry 0 (black).
    void Clear();
    // The bars of one column from two peaks of 0..32768; a bar stops at the picture's edge.
    void DrawColumn(int column, audio::DWORD maxLeft, audio::DWORD maxRight);

    // Reads the decoder from byte `start` one 20 ms level at a time and draws a bar per
    // `bytesPerColumn` bytes, columns left to right, until the picture is full or the decoder
    // ends. Peaks of readings that land in the same column add up into one bar; columns a single
    // reading jumps over stay black. The decoder is left where the reading stopped.
    void Compute(audio::HSTREAM decoder, audio::QWORD start, audio::QWORD bytesPerColumn);

private:
    QImage m_image;
};
