// Moving the loaded song out of the way of a file written over it. The song is renamed to
// "QVOutput.TMP" in its folder and read from there; once the output is written the temporary file
// goes and the output is loaded as the song. When no output was written the song is put back
// under its name, so the user's file is never lost nor left under the temporary name, and loaded
// again with everything the user had set on it (SongPractice).
//
// The destination counts as the song when it is the same path or another name of the same file:
// a symbolic link to it, a path through "..", or a hard link. Writing to such a name while the
// song is read from it would truncate the song under the decoder.
#pragma once

#include <string>

#include "engine/SongPractice.h"

class CPlaybackEngine;

class CSongSetAside {
public:
    explicit CSongSetAside(CPlaybackEngine& engine);
    // Puts the song back if nothing else was said.
    ~CSongSetAside();
    CSongSetAside(const CSongSetAside&) = delete;
    CSongSetAside& operator=(const CSongSetAside&) = delete;

    // True when writing `destination` would write the file at `songPath`.
    static bool IsSameFile(const std::string& songPath, const std::string& destination);

    // Sets the song aside when `destination` is the song's file: frees the playback stream and
    // moves the file. False (after message 45 naming the path that could not be used) when that
    // cannot be done; nothing has changed then, and the song is still loaded.
    bool SetAsideFor(const std::string& destination);
    bool IsAside() const { return m_bAside; }
    // Where the song's audio is read from: the temporary file while aside, else the song path.
    const std::string& SourcePath() const { return m_strSource; }

    // Ends the set-aside: the output becomes the song when it was written whole, otherwise the
    // song is put back. Nothing when the song was not set aside.
    void Finish(bool bOutputWritten);

private:
    void ReleaseSong();
    void PutBack();
    // The song again from `path`, as the user had set it.
    void ReloadSong(const std::string& path);

    CPlaybackEngine& m_engine;
    std::string m_strLoaded;       // the song's path as loaded
    std::string m_strSong;         // the song's file, links resolved
    std::string m_strSource;       // where it is read from
    std::string m_strDestination;  // the name the output is written to
    std::string m_strLink;         // a hard link taken away from the song for the output
    bool m_bAside = false;
    SongPractice m_practice;  // what was set on the song when it was let go
};
