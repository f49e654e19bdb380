#pragma once

#include <functional>
#include <string>

class QMenu;
class CSongMemoryKeeper;

// The player's own items of the right-click menu, after the languages: "Recent Songs", a
// submenu of the songs opened last (the file name shown, the path as its tip; a note when there
// are none), and "Remember each song's settings", checked while songs open with what they were
// last set to. Made anew each time the menu opens, so they show what holds at that moment.
// `openSong` opens a chosen recent song as the open command does.
void AppendPlayerMenuItems(QMenu& menu, CSongMemoryKeeper& keeper,
                           std::function<void(const std::string& path)> openSong);
