#pragma once

#include <string>

class CPlaybackEngine;
class CQuorvelLoopPropertyPage;
class QWidget;

// The Open button: asks about unsaved changes, runs the open dialog with its preview player and
// hands the chosen file to song loading, recording it in the register of opened files.
void OnOpenCommand(QWidget* window, CPlaybackEngine& engine, CQuorvelLoopPropertyPage* loopPage,
                   QWidget* focusSink);

// The question the open command asks first when there are unsaved changes (text 111, Yes/No, No
// the default); true when the user lets another song replace this one (or nothing is unsaved).
bool MayReplaceSong(QWidget* window);

// What the open command does with a chosen file once its dialog has gone: unsaved changes are
// forgotten, the focus goes to the sink (when given), the path enters the register of opened
// files as the user's own file and goes to song loading, whose messages report a failure. A CD
// track file is converted to a WAV file first, which is loaded and recorded as temporary.
void OpenChosenFile(CPlaybackEngine& engine, QWidget* focusSink, const std::string& path);
