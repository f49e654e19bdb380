#include "lang/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::string HomeFolder() {
    if (const char* home = NonEmptyEnv("HOME")) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

// The folder the data folder lives in. The freedesktop default may not exist yet on a fresh
// account, so it is created; an explicit APPDATA is taken as it is.
std::string BaseFolder() {
    if (const char* appData = NonEmptyEnv("APPDATA")) return appData;
    std::string base;
    if (const char* xdg = NonEmptyEnv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else
        base = HomeFolder() + "/.local/share";
    std::error_code ignored;
    std::filesystem::create_directories(base, ignored);
    return base;
}

}  // namespace

std::string DataFolder() {
    std::string path = BaseFolder() + "/Quorvel";
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) mkdir(path.c_str(), 0777);
    return path;
}
