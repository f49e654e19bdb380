#include "engine/PlaybackState.h"

std::atomic<QWidget*> g_hMainWnd{nullptr};
int g_bModified = 0;
std::atomic<int> g_nVocalLevel{0};
audio::HDSP g_hVocalDSP = 0;
