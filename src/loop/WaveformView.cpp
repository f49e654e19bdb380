#include "loop/WaveformView.h"

#include <algorithm>
#include <cstdint>
#include <limits>

int WaveformView::ClampX(int x) const {
    return std::clamp(x, kLeft, std::max(kLeft, nWaveWidth + kLeft - 1));
}

audio::QWORD WaveformView::ColumnToPosition(int x) const {
    const auto column = static_cast<audio::QWORD>(ClampX(x) - kLeft);
    return column * dwBytesPerColumn / static_cast<audio::QWORD>(nZoom) + qwViewStart;
}

int WaveformView::PositionToX(audio::QWORD position) const {
    const auto bytesPerColumn = static_cast<std::int64_t>(dwBytesPerColumn / nZoom);
    if (bytesPerColumn == 0) return std::numeric_limits<int>::min();
    const std::int64_t column =
        (static_cast<std::int64_t>(position) - static_cast<std::int64_t>(qwViewStart)) /
        bytesPerColumn;
    return static_cast<int>(std::clamp<std::int64_t>(column, -1'000'000, 1'000'000)) + kLeft;
}

audio::DWORD BytesPerColumn(audio::QWORD songLength, int nWaveWidth, audio::QWORD minimum) {
    const audio::QWORD perColumn = nWaveWidth > 0 ? songLength / audio::QWORD(nWaveWidth) : 0;
    return static_cast<audio::DWORD>(std::min<audio::QWORD>(
        std::max(perColumn, minimum), std::numeric_limits<audio::DWORD>::max()));
}

float ClampViewStart(double viewStart, double songSeconds, int nZoom) {
    const double last = songSeconds - songSeconds / nZoom;
    if (viewStart < 0) return 0;
    if (viewStart > last) return static_cast<float>(last);
    return static_cast<float>(viewStart);
}

float ZoomedViewStart(float fViewStart, double songSeconds, int nWaveWidth, int oldZoom,
                      int newZoom, int x) {
    const double f = double(x - 21) / nWaveWidth;
    const double oldWidth = songSeconds / oldZoom;
    const double newWidth = songSeconds / newZoom;
    return ClampViewStart(fViewStart + oldWidth * f - newWidth / 2, songSeconds, newZoom);
}
