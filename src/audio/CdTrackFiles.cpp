#include "audio/CdTrackFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

// A folder name must stay short enough for any file system.
constexpr std::size_t kMaxFolderName = 200;

// Makes `path` a folder of ours that nobody else can enter. A name that exists as something
// else (a file, a link planted in a shared temporary folder, another user's folder) fails.
bool EnsurePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

std::string FolderName(const std::string& device) {
    std::string name = device;
    for (char& c : name)
        if (c == '/') c = '_';
    if (name.empty() || name == "." || name == "..") name.insert(0, "_");
    if (name.size() > kMaxFolderName) name.resize(kMaxFolderName);
    return name;
}

std::string TrackFileName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "Track%02d.cda", number);
    return name;
}

bool IsTrackFileName(const std::string& name) {
    return name.size() == 11 && name.starts_with("Track") && name.ends_with(".cda") &&
           std::isdigit(static_cast<unsigned char>(name[5])) &&
           std::isdigit(static_cast<unsigned char>(name[6]));
}

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[512];
    while (in && text.size() <= 4096) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

// Writes the file through a temporary beside it, so that a reader never sees half of it; a file
// that already says the same is left alone (the open dialog need not see it change).
bool WriteTrackFile(const fs::path& path, const std::string& content) {
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(path, ec)) && ReadSmallFile(path) == content)
        return true;
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        if (!out) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
}

// Removes the track files in `folder` that are not in `keep`, and leftovers of interrupted
// writes. Other files are not ours and stay.
void RemoveStaleTrackFiles(const fs::path& folder, const std::set<std::string>& keep) {
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool leftover = name.starts_with(".Track") && name.ends_with(".cda.tmp");
        if (leftover || (IsTrackFileName(name) && !keep.contains(name)))
            stale.push_back(it->path());
    }
    for (const fs::path& p : stale) fs::remove(p, ec);
}

}  // namespace

std::string CdRuntimeFolder() {
    std::string base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        base = std::string(runtime) + "/quorvel";
    } else {
        std::error_code ec;
        const fs::path temp = fs::temp_directory_path(ec);
        base = (ec ? fs::path("/tmp") : temp).string() + "/quorvel-" + std::to_string(geteuid());
    }
    if (!EnsurePrivateFolder(base)) return "";
    const std::string cd = base + "/cd";
    if (!EnsurePrivateFolder(cd)) return "";
    return cd;
}

std::string CdTrackFolder(audio::DWORD drive) {
    audio::CD_INFO info{};
    if (!audio::CD_GetInfo(drive, &info)) return "";
    const std::string device = info.device;
    audio::CD_Release(drive);
    const std::string runtime = CdRuntimeFolder();
    if (runtime.empty()) return "";
    return runtime + "/" + FolderName(device);
}

std::string CdTrackFilePath(audio::DWORD drive, int number) {
    const std::string folder = CdTrackFolder(drive);
    return folder.empty() ? "" : folder + "/" + TrackFileName(number);
}

std::vector<CdTrackFolderEntry> RefreshCdTrackFolders() {
    std::vector<CdTrackFolderEntry> folders;
    const std::string runtime = CdRuntimeFolder();
    if (runtime.empty()) return folders;
    std::set<std::string> listed;  // the folder names of the drives there now
    // Each drive is let go of first, so that what it holds now is read, not what it held.
    for (audio::DWORD drive = 0; audio::CD_Release(drive); ++drive) {
        audio::CD_INFO info{};
        if (!audio::CD_GetInfo(drive, &info)) break;
        const std::string device = info.device;
        const fs::path folder = fs::path(runtime) / FolderName(device);
        std::set<std::string> tracks;
        // A device whose name would break the file's lines cannot be named in one.
        const bool nameable = device.find_first_of("\r\n") == std::string::npos;
        const audio::DWORD count = nameable ? audio::CD_GetTracks(drive) : audio::DWORD(-1);
        if (count != audio::DWORD(-1) && EnsurePrivateFolder(folder.string())) {
            for (audio::DWORD i = 0; i < count; ++i) {
                if (audio::CD_GetTrackLength(drive, i) == audio::DWORD(-1)) continue;
                const int number = static_cast<int>(i) + 1;
                const std::string name = TrackFileName(number);
                const std::string content =
                    "device=" + device + "\ntrack=" + std::to_string(number) + "\n";
                if (WriteTrackFile(folder / name, content)) tracks.insert(name);
            }
        }
        audio::CD_Release(drive);
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(folder, ec))) {
            RemoveStaleTrackFiles(folder, tracks);
            if (tracks.empty()) fs::remove(folder, ec);  // only when nothing else is in it
        }
        if (!tracks.empty()) folders.push_back({drive, device, folder.string()});
        listed.insert(folder.filename().string());
    }
    // The folders of drives no longer there (taken away since) lose their track files too.
    std::error_code ec;
    std::vector<fs::path> gone;
    for (fs::directory_iterator it(runtime, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statusError;
        if (fs::is_directory(it->symlink_status(statusError)) &&
            !listed.contains(it->path().filename().string()))
            gone.push_back(it->path());
    }
    for (const fs::path& folder : gone) {
        RemoveStaleTrackFiles(folder, {});
        fs::remove(folder, ec);  // only when nothing else is in it
    }
    return folders;
}
