#pragma once

#include <string>

// Path of the current language file ("Default.lan" in the data folder), set once by the main
// window's initialisation before any text is read.
extern std::string g_szLanguageFile;

// Text number `line` (line N of the current language file, counting from 1), as UTF-8 bytes.
// The returned text is only valid until the next call. A missing file shows a box and yields a
// fixed text; a missing line yields another fixed text.
const char* GetLanguageText(int line);
