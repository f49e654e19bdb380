#pragma once

#include <atomic>

#include "audio/Audio.h"

class QWidget;

// Process-wide parts of the playback state. The layer calls the end-of-song sync and the vocal
// reduction procedure without any context of their own, so they reach the player through these.

// The main window: stored once before the layer starts, read by the layer's threads.
extern std::atomic<QWidget*> g_hMainWnd;

// Unsaved changes: set by changes of the sound controls, loop and equaliser while a song is
// loaded; cleared by the open command and by every save that wrote its file; asked about before
// Open and Close.
extern int g_bModified;

// The vocal reduction value (0..256) for the mixing thread; equal to the slider outside its
// updates.
extern std::atomic<int> g_nVocalLevel;

// The vocal reduction procedure installed on the playback stream; 0 when none is.
extern audio::HDSP g_hVocalDSP;
