#include "app/CommandLine.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <string_view>

#ifndef QUORVEL_VERSION
#error "QUORVEL_VERSION must be defined by the build (the project's version)"
#endif

namespace {

// Options of QGuiApplication and QApplication, which strip them from the arguments themselves.
constexpr std::array<std::string_view, 13> kQtOptionsWithValue = {
    "-platform",        "-platformpluginpath", "-platformtheme", "-plugin",
    "-qwindowgeometry", "-qwindowicon",        "-qwindowtitle",  "-session",
    "-display",         "-geometry",           "-name",          "-style",
    "-stylesheet"};
constexpr std::array<std::string_view, 5> kQtFlags = {"-reverse", "-widgetcount", "-nograb",
                                                      "-dograb", "-sync"};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// How many arguments a Qt option at `argument` takes up (itself included); 0 when it is none.
int QtOptionLength(std::string_view argument) {
    // Qt accepts every option with one dash or two.
    if (StartsWith(argument, "--")) argument.remove_prefix(1);
    const std::string_view name = argument.substr(0, argument.find('='));
    const bool hasValue = name.size() < argument.size();
    if (std::find(kQtFlags.begin(), kQtFlags.end(), name) != kQtFlags.end()) return 1;
    if (StartsWith(name, "-qmljsdebugger")) return 1;
    if (std::find(kQtOptionsWithValue.begin(), kQtOptionsWithValue.end(), name) !=
        kQtOptionsWithValue.end())
        return hasValue ? 1 : 2;
    return 0;
}

// "scheme://..." with a scheme other than file: something the player cannot open.
bool IsRemoteUrl(std::string_view argument) {
    const std::size_t colon = argument.find("://");
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view scheme = argument.substr(0, colon);
    if (!std::isalpha(static_cast<unsigned char>(scheme[0]))) return false;
    for (char c : scheme)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    return scheme != "file";
}

// The host part of a file:// URL is empty or "localhost" for a file of this machine.
bool IsLocalFileUrl(std::string_view argument) {
    if (!StartsWith(argument, "file://")) return false;
    const std::string_view rest = argument.substr(7);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return false;  // no path at all
    const std::string_view host = rest.substr(0, slash);
    return host.empty() || host == "localhost";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {CommandLine::Action::Help, {}, {}};
        } else if (argument == "--version") {
            return {CommandLine::Action::Version, {}, {}};
        } else if (const int length = QtOptionLength(argument); length > 0) {
            i += static_cast<std::size_t>(length - 1);
        } else {
            return {CommandLine::Action::Error, {}, "unknown option '" + argument + "'"};
        }
    }
    if (files.size() > 1)
        return {CommandLine::Action::Error,
                {},
                "one file at a time, please (" + std::to_string(files.size()) + " given)"};
    if (!files.empty()) {
        const std::string& file = files.front();
        if (file.empty()) return {CommandLine::Action::Error, {}, "the file name is empty"};
        if (IsRemoteUrl(file) || (StartsWith(file, "file://") && !IsLocalFileUrl(file)))
            return {CommandLine::Action::Error, {}, "only local files can be opened: " + file};
        result.file = file;
    }
    return result;
}

std::string HelpText() {
    return "Usage: quorvel [FILE]\n"
           "A practice player for musicians: slow a song down, transpose it, loop a passage.\n"
           "\n"
           "Opens FILE (an audio file: WAV, MP3, MP4, M4A, AAC, OGG, Opus, FLAC, AIFF, WMA,\n"
           "tracker modules ...) once the window is up. When the player is running already,\n"
           "FILE is handed to it and its window comes to the front instead of a second one.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Settings, presets and language files live in $APPDATA/Quorvel, else\n"
           "$XDG_DATA_HOME/Quorvel, else ~/.local/share/Quorvel.\n";
}

std::string VersionText() {
    return std::string("quorvel ") + ProgramVersion() +
           "\n"
           "Copyright (C) 2026 The Quorvel developers.\n"
           "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

const char* ProgramVersion() {
    return QUORVEL_VERSION;
}

std::string AbsoluteFilePath(const std::string& file, const std::string& workingFolder) {
    if (file.empty()) return file;
    if (IsLocalFileUrl(file)) {
        const std::string_view rest = std::string_view(file).substr(7);
        return PercentDecoded(rest.substr(rest.find('/')));
    }
    if (file[0] == '/') return file;
    std::string_view relative = file;
    while (StartsWith(relative, "./")) {
        relative.remove_prefix(2);
        while (StartsWith(relative, "/")) relative.remove_prefix(1);
    }
    std::string folder = workingFolder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + std::string(relative);
}

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) return buffer.c_str();
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
}
