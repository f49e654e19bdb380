// An encoder's command line turned into a program and its arguments, without a shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace audio::detail {

// Splits at blanks (spaces and tabs); double quotes group (the quotes themselves are dropped, so
// `""` is an empty argument); inside quotes a backslash escapes '"' and '\\' and is kept before
// any other character. Outside quotes a backslash is an ordinary character. Nothing when the line
// holds no argument or a quote is left open.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line);

// Where the program `name` is run from: a name holding a '/' is a path as it stands; otherwise
// the folder of the running executable, then ../lib/quorvel/ from that folder (an installation's
// private programs), then each folder of PATH. Only an executable regular file counts. Empty when
// none is found.
std::string ResolveProgram(const std::string& name);

}  // namespace audio::detail
