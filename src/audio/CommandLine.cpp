#include "audio/CommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace audio::detail {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append(1, '/').append(name);
    return path;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string SearchPath() {
    if (const char* path = std::getenv("PATH")) return path;
    // As execvp does when PATH is unset.
    const std::size_t n = confstr(_CS_PATH, nullptr, 0);
    std::string fallback(n, '\0');
    if (n > 0) {
        confstr(_CS_PATH, fallback.data(), n);
        fallback.resize(n - 1);
    }
    return fallback;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        while (i < n && !IsBlank(line[i])) {
            if (line[i] != '"') {
                arg += line[i++];
                continue;
            }
            ++i;  // opening quote
            for (;;) {
                if (i >= n) return std::nullopt;
                const char c = line[i];
                if (c == '"') {
                    ++i;
                    break;
                }
                if (c == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    arg += line[i + 1];
                    i += 2;
                    continue;
                }
                arg += c;
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    if (args.empty()) return std::nullopt;
    return args;
}

std::string ResolveProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();

    if (const std::string own = ExecutableFolder(); !own.empty()) {
        for (const std::string& folder : {own, Join(own, "../lib/quorvel")}) {
            const std::string candidate = Join(folder, name);
            if (IsExecutableFile(candidate)) return candidate;
        }
    }
    const std::string path = SearchPath();
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = path.find(':', start);
        const std::size_t end = colon == std::string::npos ? path.size() : colon;
        // An empty entry means the current folder.
        const std::string folder = end > start ? path.substr(start, end - start) : std::string(".");
        const std::string candidate = Join(folder, name);
        if (IsExecutableFile(candidate)) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return {};
}

}  // namespace audio::detail
