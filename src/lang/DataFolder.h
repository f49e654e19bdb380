#pragma once

#include <string>

// The per-user folder "Quorvel" that holds the settings, the tempo options, the language files
// and the help pages: under $APPDATA when set, else $XDG_DATA_HOME, else ~/.local/share. Every
// call makes sure the folder exists (creating only its last level); failures are silent.
std::string DataFolder();
