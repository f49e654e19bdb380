#pragma once

#include <string>

// Makes the language file `name`.lan of the data folder the current language by copying it over
// the current language file. False when the copy failed (the current file is then unchanged).
bool SelectLanguage(const std::string& name);
