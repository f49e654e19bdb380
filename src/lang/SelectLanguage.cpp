#include "lang/SelectLanguage.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "lang/DataFolder.h"
#include "lang/LanguageText.h"

bool SelectLanguage(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path source = DataFolder() + "/" + name + ".lan";
    const fs::path target = g_szLanguageFile;
    std::error_code error;
    if (!fs::is_regular_file(source, error) || fs::equivalent(source, target, error)) return false;

    // Copy beside the target and rename over it, so that a failed copy never leaves a
    // half-written current language behind.
    fs::path partial = target;
    partial += ".partial";
    if (!fs::copy_file(source, partial, fs::copy_options::overwrite_existing, error)) {
        fs::remove(partial, error);
        return false;
    }
    fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

std::optional<std::vector<std::string>> LanguageMenuEntries(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".lan") == 0 &&
            it->is_regular_file(error))
            files.push_back(name);
    }
    if (files.empty()) return std::nullopt;
    std::sort(files.begin(), files.end());

    std::vector<std::string> entries;
    for (std::string& name : files) {
        name.erase(name.rfind('.'));
        if (strcasecmp(name.c_str(), "Default") != 0) entries.push_back(std::move(name));
    }
    return entries;
}
