#pragma once

#include <string>

// What the settings file holds when the player had to write its default presets, byte for byte.
inline const std::string kDefaultPresetFile =
    "[Language]\r\n"
    "Language=English\r\n"
    "[EQPresets]\r\n"
    "Preset0=\"Reset\" 0 0 0 0 0 0 0 0 0\r\n"
    "Preset1=\"Volume +5\" 5 5 5 5 5 5 5 5 5\r\n"
    "Preset2=\"Volume +10\" 10 10 10 10 10 10 10 10 10\r\n"
    "Preset3=\"Classical\" 10 7 5 3 0 3 7 5 0\r\n"
    "Preset4=\"Rock\" 0 2 3 -1 -1 0 0 4 4\r\n"
    "Preset5=\"Acoustic\" 0 2 0 0 0 0 0 2 2\r\n"
    "Preset6=\"Vocal\" -2 2 6 6 -2 -2 -2 -2 -2\r\n"
    "Preset7=\"Bass\" 15 10 8 6 0 -3 -6 -8 -8\r\n";
