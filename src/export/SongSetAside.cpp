#include "export/SongSetAside.h"

#include <cstdio>
#include <filesystem>

#include "engine/PlaybackEngine.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace fs = std::filesystem;

namespace {

// `path`'s folder (with its separator) followed by the temporary name.
std::string AsideNameBeside(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "QVOutput.TMP";
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

// The path with every symbolic link and "." or ".." resolved; empty when it cannot be.
std::string ResolvedPath(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? std::string() : resolved.string();
}

}  // namespace

CSongSetAside::CSongSetAside(CPlaybackEngine& engine)
    : m_engine(engine),
      m_strLoaded(engine.m_strSongPath),
      m_strSong(engine.m_strSongPath),
      m_strSource(engine.m_strSongPath) {}

CSongSetAside::~CSongSetAside() {
    Finish(false);
}

bool CSongSetAside::IsSameFile(const std::string& songPath, const std::string& destination) {
    if (songPath.empty()) return false;
    if (destination == songPath) return true;
    std::error_code error;
    return fs::equivalent(destination, songPath, error) && !error;
}

bool CSongSetAside::SetAsideFor(const std::string& destination) {
    if (!IsSameFile(m_strSong, destination)) return true;
    m_strDestination = destination;

    // The file itself moves, in its own folder, so that the rename never crosses file systems.
    // The same path, a symbolic link or "..": after the move, writing the destination creates
    // the song's name anew. A hard link: that name still holds the song after the move, so it is
    // taken away too and given back if no output is written.
    std::string real = m_strSong;
    if (destination != m_strSong) {
        const std::string resolvedSong = ResolvedPath(m_strSong);
        if (!resolvedSong.empty()) real = resolvedSong;
        if (ResolvedPath(destination) != resolvedSong) m_strLink = destination;
    }
    const std::string aside = AsideNameBeside(destination == m_strSong ? destination : real);

    // A file left under the temporary name by an earlier save is neither overwritten nor mixed
    // up with the song: the save stops before anything changes.
    if (Exists(aside)) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), aside.c_str());
        return false;
    }
    ReleaseSong();
    if (std::rename(real.c_str(), aside.c_str()) != 0) {
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), aside.c_str());
        ReloadSong(m_strLoaded);
        return false;
    }
    if (!m_strLink.empty() && std::remove(m_strLink.c_str()) != 0) {
        // The other name would be written through into the song: give up before anything is.
        std::rename(aside.c_str(), real.c_str());
        ShowMessage(m_engine.Window(), "Quorvel", MB_OK, GetLanguageText(45),
                    m_strLink.c_str());
        ReloadSong(m_strLoaded);
        return false;
    }
    m_strSong = real;
    m_strSource = aside;
    m_bAside = true;
    return true;
}

void CSongSetAside::ReleaseSong() {
    // Its memory is taken as it stands: the file written next may be another song.
    emit m_engine.songGoing();
    m_practice = m_engine.KeepPractice();
    // The song file is about to move: nothing may keep reading it or hold its freed stream.
    m_engine.OnStop();
    if (m_engine.m_pages.loopClearStream) m_engine.m_pages.loopClearStream();
    audio::StreamFree(m_engine.m_dwBassStream);
    m_engine.m_dwBassStream = 0;
}

void CSongSetAside::Finish(bool bOutputWritten) {
    if (!m_bAside) return;
    m_bAside = false;
    if (bOutputWritten) {
        if (m_strLink.empty()) {
            std::remove(m_strSource.c_str());
        } else {
            // The hard-linked names part: the output under the name it was saved to, the song
            // under its own.
            std::rename(m_strSource.c_str(), m_strSong.c_str());
        }
        m_engine.LoadSong(m_strDestination);
    } else {
        PutBack();
    }
}

void CSongSetAside::ReloadSong(const std::string& path) {
    m_engine.ReloadSong(path, m_practice);
}

void CSongSetAside::PutBack() {
    // Whatever the failed save left under the song's name gives way to the song.
    if (std::rename(m_strSource.c_str(), m_strSong.c_str()) != 0) {
        ReloadSong(m_strSource);  // still the user's song, if under the other name
        return;
    }
    if (!m_strLink.empty()) {
        std::error_code error;
        fs::remove(m_strLink, error);
        fs::create_hard_link(m_strSong, m_strLink, error);
    }
    ReloadSong(m_strLoaded);
}
