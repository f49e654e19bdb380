#pragma once

#include <optional>
#include <string>
#include <vector>

// Makes the language file `name`.lan of the data folder the current language by copying it over
// the current language file. False when the copy failed (the current file is then unchanged).
bool SelectLanguage(const std::string& name);

// The names the language menu lists for the "*.lan" files of a folder, in file-name order:
// each file name up to its last dot, "Default" (in any case) left out. Nothing when the folder
// holds no "*.lan" file at all.
std::optional<std::vector<std::string>> LanguageMenuEntries(const std::string& folder);
