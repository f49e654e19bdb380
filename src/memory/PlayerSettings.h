// The player's own settings, kept in "Settings.ini" in the data folder: a file of their own,
// since the equaliser presets' file is rewritten whole at every preset change. A file that
// cannot be read gives the defaults; one that cannot be written keeps the values for this run.
#pragma once

#include <string>

namespace memory {

class PlayerSettings {
public:
    // Reads the file at `path`.
    explicit PlayerSettings(std::string path);

    // Whether a song opens with what it was last set to (on by default).
    bool RestoresSongSettings() const { return m_bRestoreSongSettings; }
    void SetRestoresSongSettings(bool bRestore);

private:
    void Write(const char* key, bool value);

    std::string m_path;
    bool m_bRestoreSongSettings = true;
};

}  // namespace memory
