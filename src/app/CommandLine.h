// The player's command line: `quorvel [FILE]`, `quorvel --help`, `quorvel --version`.
//
// It is read before anything else starts, so that --help and --version need neither a display
// nor the output device. Qt's own options (-platform NAME, -style=NAME, -reverse ...) pass
// through untouched for the application object to take. FILE may be a path or a file:// URL
// (what a desktop hands over); a relative path is made absolute against the caller's working
// folder, because a running player that it is handed to has a folder of its own.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum class Action {
        Run,      // start the player (or hand `file` to the running one)
        Help,     // print HelpText() on standard output, exit 0
        Version,  // print VersionText() on standard output, exit 0
        Error,    // print `error` and a hint on standard error, exit 2
    };
    Action action = Action::Run;
    std::string file;   // as given (bytes of the caller's locale); empty: none
    std::string error;  // for Action::Error: what was wrong, one line
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text, ending in a line end.
std::string HelpText();
// "quorvel " and the version, ending in a line end.
std::string VersionText();
// The project's version, "0.1.0" say.
const char* ProgramVersion();

// `file` as an absolute path: a file:// URL becomes its local path (percent escapes decoded), a
// relative path is joined to `workingFolder` (its leading "./" parts dropped). Nothing else is
// resolved: the path names what the caller meant, symbolic links included. Empty stays empty.
std::string AbsoluteFilePath(const std::string& file, const std::string& workingFolder);
// The process's working folder; empty when it cannot be read (removed, say).
std::string CurrentFolder();
