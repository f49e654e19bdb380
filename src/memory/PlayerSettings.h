// The player's own settings, kept in "Settings.ini" in the data folder: a file of their own,
// since the equaliser presets' file is rewritten whole at every preset change. A file that
// cannot be read gives the defaults; one that cannot be written keeps the values for this run.
#pragma once

#include <string>

#include "audio/Audio.h"

namespace memory {

class PlayerSettings {
public:
    // Reads the file at `path`.
    explicit PlayerSettings(std::string path);

    // Whether a song opens with what it was last set to (on by default).
    bool RestoresSongSettings() const { return m_bRestoreSongSettings; }
    void SetRestoresSongSettings(bool bRestore);

    // The time-stretch engine songs play and are saved with (audio::STRETCHER_...), kept by
    // name; a name the file does not know gives the default.
    static constexpr audio::DWORD kDefaultStretcher = audio::STRETCHER_FASTER;
    audio::DWORD Stretcher() const { return m_dwStretcher; }
    void SetStretcher(audio::DWORD stretcher);

    // The output device by the name the system gives it ("" = the system's default).
    const std::string& OutputDevice() const { return m_strOutputDevice; }
    void SetOutputDevice(const std::string& name);

private:
    template <typename Value>
    void Write(const char* key, const Value& value);

    std::string m_path;
    bool m_bRestoreSongSettings = true;
    audio::DWORD m_dwStretcher = kDefaultStretcher;
    std::string m_strOutputDevice;
};

}  // namespace memory
