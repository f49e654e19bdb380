#pragma once

#include <functional>
#include <string>

class QMenu;
class CSongMemoryKeeper;
class CPlaybackEngine;

// The player's own items of the right-click menu, after the languages: "Recent Songs", a
// submenu of the songs opened last (the file name shown, the path as its tip; a note when there
// are none), "Time-Stretching", a submenu of the engines with the one in use checked (a choice
// is kept in the player's settings and heard at once), "Output Device", a submenu of the system's
// output devices with the chosen one checked (kept likewise), and "Remember each song's settings",
// checked while songs open with what they were last set to. Made anew each time the menu opens,
// so they show what holds at that moment. `openSong` opens a chosen recent song as the open
// command does.
void AppendPlayerMenuItems(QMenu& menu, CSongMemoryKeeper& keeper, CPlaybackEngine& engine,
                           std::function<void(const std::string& path)> openSong);
