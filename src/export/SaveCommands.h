#pragma once

#include <string>

#include "export/LoopSave.h"

class CPlaybackEngine;

// The Save (403) and Save As (404) commands of the main window. What is saved is the loop region
// of the loaded song with the current settings; the destination's name picks the format.

// Save: asks before replacing the file last chosen with Save As and saves there; before any Save
// As since the song was loaded, does what Save As does.
void OnSave(CPlaybackEngine& engine);
// Save As: the save box, then the save; the chosen path is remembered whatever the outcome.
void OnSaveAs(CPlaybackEngine& engine);

// The writer for a destination: the first of ".mp3", ".aac", ".mp4", ".m4a", ".wma" found
// anywhere in the path, ignoring case, or WAV when none is.
OutputWriter WriterFor(const std::string& destination);

// Saves to `destination` with the writer its name picks and the settings as they are when it is
// called, showing what it does in the title text meanwhile; afterwards the title shows the
// song's name again, and the changes count as saved when the file was written (a cancelled
// choice or a failure leaves them unsaved).
void SaveLoopAs(CPlaybackEngine& engine, const std::string& destination);
