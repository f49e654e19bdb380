#pragma once

#include "audio/Audio.h"

// The arithmetic between the loop editor's pixel columns and byte positions of the playback
// stream, and of its zoom and pan, kept apart from the widget.
struct WaveformView {
    static constexpr int kLeft = 20;  // first column of the waveform area in the page

    int nWaveWidth = 0;
    audio::DWORD dwBytesPerColumn = 0;  // at zoom 1
    int nZoom = 1;
    audio::QWORD qwViewStart = 0;  // bytes at the left edge

    // x limited to the waveform's columns.
    int ClampX(int x) const;
    // The byte position under page column x, x limited to the waveform's columns first.
    audio::QWORD ColumnToPosition(int x) const;
    // The page column of a byte position; positions left of the view give columns left of the
    // area and those right of it columns past its right edge (whole columns, toward zero).
    int PositionToX(audio::QWORD position) const;
};

// Bytes shown by one column at zoom 1: the song spread over the width, but never less than
// `minimum` (20 ms of the stream) per column.
audio::DWORD BytesPerColumn(audio::QWORD songLength, int nWaveWidth, audio::QWORD minimum);

// A view start limited to 0 .. songSeconds - songSeconds / nZoom, so the view lies in the song.
float ClampViewStart(double viewStart, double songSeconds, int nZoom);

// The view start after the zoom changes from oldZoom to newZoom with the pointer at page column
// x: the time under x becomes the centre of the new view, which is then kept inside the song.
float ZoomedViewStart(float fViewStart, double songSeconds, int nWaveWidth, int oldZoom,
                      int newZoom, int x);
