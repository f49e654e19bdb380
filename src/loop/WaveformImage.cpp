#include "loop/WaveformImage.h"

#include <algorithm>
#include <cmath>

namespace {

int ScreenPixels(int length, qreal scale) {
    return std::max(static_cast<int>(std::ceil(length * scale)), 1);
}

// A pixel's palette entry is its distance from the centre row, so a channel gets at most 255
// rows; a screen finer than that sees the picture scaled.
qreal LimitedScale(int height, qreal scale) {
    return std::clamp(scale, 1.0, std::max(1.0, 2.0 * 255 / std::max(height, 1)));
}

}  // namespace

CWaveformImage::CWaveformImage(int width, int height, qreal scale)
    : m_image(ScreenPixels(width, LimitedScale(height, scale)),
              ScreenPixels(height, LimitedScale(height, scale)), QImage::Format_Indexed8) {
    m_image.setDevicePixelRatio(LimitedScale(height, scale));
    // One entry per distance from the centre row, all of them in use.
    const int centre = CentreRow();
    QList<QRgb> palette;
    palette.reserve(centre + 1);
    palette.push_back(qRgb(0, 0, 0));
    for (int i = 1; i <= centre; ++i) {
        const int red = i * 255 / centre;
        palette.push_back(qRgb(red, 255 - red, 0));
    }
    m_image.setColorTable(palette);
    Clear();
}

void CWaveformImage::Clear() {
    m_image.fill(0);
}

void CWaveformImage::DrawColumn(int column, audio::DWORD maxLeft, audio::DWORD maxRight) {
    if (column < 0 || column >= Width()) return;
    const int centre = CentreRow();
    const auto barLength = [centre](audio::DWORD peak) {
        return static_cast<int>((static_cast<std::uint64_t>(centre) * peak) >> 15);
    };
    // Upward from the row above the centre; the top row is the last one there is.
    const int left = std::min(barLength(maxLeft), centre);
    for (int i = 0; i < left; ++i)
        m_image.scanLine(centre - 1 - i)[column] = static_cast<uchar>(i + 1);
    // Downward from the row below the centre; an even height leaves one row fewer below.
    const int right = std::min(barLength(maxRight), Height() - 1 - centre);
    for (int i = 0; i < right; ++i)
        m_image.scanLine(centre + 1 + i)[column] = static_cast<uchar>(i + 1);
}

void CWaveformImage::Compute(audio::HSTREAM decoder, audio::QWORD start,
                             audio::QWORD bytesPerColumn) {
    if (!decoder || bytesPerColumn == 0) return;
    audio::ChannelSetPosition(decoder, start);
    constexpr audio::QWORD kEnded = ~audio::QWORD(0);
    const auto width = static_cast<audio::QWORD>(Width());
    audio::QWORD last = 0;
    audio::DWORD maxLeft = 0;
    audio::DWORD maxRight = 0;
    audio::QWORD before = audio::ChannelGetPosition(decoder);
    for (;;) {
        const audio::DWORD level = audio::ChannelGetLevel(decoder);
        if (level != audio::DWORD(-1)) {
            maxLeft = std::max(maxLeft, level & 0xFFFFu);
            maxRight = std::max(maxRight, level >> 16);
        }
        const audio::QWORD position = audio::ChannelGetPosition(decoder);
        // A reading that fails without moving on would otherwise never end the loop.
        const bool stuck = level == audio::DWORD(-1) && position == before;
        before = position;
        const audio::QWORD column =
            stuck || audio::ChannelIsActive(decoder) == audio::ACTIVE_STOPPED || position == kEnded
                ? kEnded
                : (position - start) / bytesPerColumn;
        if (column <= last) continue;
        DrawColumn(static_cast<int>(last), maxLeft, maxRight);
        if (column >= width) break;
        last = column;
        maxLeft = 0;
        maxRight = 0;
    }
}

void CWaveformImage::Draw(std::span<const PeakStep> steps, audio::QWORD start,
                          audio::QWORD bytesPerColumn) {
    if (bytesPerColumn == 0 || steps.empty()) return;
    // The reading that holds `start`: the last one starting at or before it.
    auto step = std::upper_bound(
        steps.begin(), steps.end(), start,
        [](audio::QWORD position, const PeakStep& s) { return position < s.start; });
    if (step != steps.begin()) --step;
    const auto width = static_cast<audio::QWORD>(Width());
    // A bar is as wide as a device-independent pixel, up to where the next reading's bar starts,
    // so that a zoomed-in picture looks the same on every screen.
    const auto barWidth = static_cast<audio::QWORD>(std::max(1L, std::lround(Scale())));
    const auto drawBar = [&](audio::QWORD column, audio::QWORD next, audio::DWORD left,
                             audio::DWORD right) {
        for (audio::QWORD c = column; c < std::min({column + barWidth, next, width}); ++c)
            DrawColumn(static_cast<int>(c), left, right);
    };
    audio::QWORD column = 0;
    audio::DWORD maxLeft = 0;
    audio::DWORD maxRight = 0;
    bool any = false;
    for (; step != steps.end(); ++step) {
        const audio::QWORD at = (std::max(step->start, start) - start) / bytesPerColumn;
        if (at >= width) break;
        if (any && at != column) {
            drawBar(column, at, maxLeft, maxRight);
            maxLeft = 0;
            maxRight = 0;
        }
        column = at;
        any = true;
        maxLeft = std::max(maxLeft, step->level & 0xFFFFu);
        maxRight = std::max(maxRight, step->level >> 16);
    }
    if (any) drawBar(column, width, maxLeft, maxRight);
}
