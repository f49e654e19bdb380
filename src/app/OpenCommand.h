#pragma once

class CPlaybackEngine;
class CQuorvelLoopPropertyPage;
class QWidget;

// The Open button: asks about unsaved changes, runs the open dialog with its preview player and
// hands the chosen file to song loading, recording it in the register of opened files.
void OnOpenCommand(QWidget* window, CPlaybackEngine& engine, CQuorvelLoopPropertyPage* loopPage,
                   QWidget* focusSink);
