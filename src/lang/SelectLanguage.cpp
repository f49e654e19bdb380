#include "lang/SelectLanguage.h"

#include <filesystem>
#include <system_error>

#include "app/DataFolder.h"
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
