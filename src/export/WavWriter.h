#pragma once

#include <string>

#include "export/RenderChain.h"

class CPlaybackEngine;

// Renders the loop region of the loaded song with the current settings (and the equaliser's
// bands, through `applyEq`) into a 16-bit PCM WAV file at `destination`. Failures are shown to
// the user and end the save. True when the file was written whole.
bool SaveWav(CPlaybackEngine& engine, const std::string& destination,
             const RenderChain::ApplyEq& applyEq);
