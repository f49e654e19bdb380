#pragma once

#include <QImage>
#include <span>

#include "audio/Audio.h"
#include "loop/PeakCache.h"

// The two-channel level picture of the loop editor: an 8-bit palette image, rows top-down. The
// centre row stays black; the left channel's bars rise from just above it, the right channel's
// fall from just below it. A pixel at distance d from the centre row has palette entry d, which
// runs from green beside the centre to red at full scale.
//
// On a screen of device pixel ratio `scale` the picture has the screen's own pixels: `width` and
// `height` are device-independent, columns and rows below are the picture's pixels.
class CWaveformImage {
public:
    CWaveformImage() = default;
    CWaveformImage(int width, int height, qreal scale = 1);

    qreal Scale() const { return m_image.devicePixelRatio(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // The centre row, H; also the number of rows each channel may fill.
    int CentreRow() const { return m_image.height() / 2; }
    const QImage& Image() const { return m_image; }

    // Every pixel back to entry 0 (black).
    void Clear();
    // The bars of one column from two peaks of 0..32768; a bar stops at the picture's edge.
    void DrawColumn(int column, audio::DWORD maxLeft, audio::DWORD maxRight);

    // The picture decoded directly, without peaks read before (Draw gives the same for the same
    // readings): reads the decoder from byte `start` one 20 ms level at a time and draws a bar per
    // `bytesPerColumn` bytes, columns left to right, until the picture is full or the decoder
    // ends. Peaks of readings that land in the same column add up into one bar; columns a single
    // reading jumps over stay black. The decoder is left where the reading stopped.
    void Compute(audio::HSTREAM decoder, audio::QWORD start, audio::QWORD bytesPerColumn);

    // The same picture from readings made earlier (in order of their start, one after the
    // other): each reading from the one that holds byte `start` on adds its peaks to the column
    // where it starts (the first to column 0), a bar per column that some reading starts in; at
    // a scale above 1 the bar also fills the columns of the rest of its device-independent pixel
    // that no later reading starts in. Draws over what is there; the picture ends where the
    // readings do.
    void Draw(std::span<const PeakStep> steps, audio::QWORD start, audio::QWORD bytesPerColumn);

private:
    QImage m_image;
};
