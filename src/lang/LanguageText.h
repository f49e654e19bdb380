#pragma once

#include <functional>
#include <string>

// Path of the current language file ("Default.lan" in the data folder), set once by the main
// window's initialisation before any text is read.
extern std::string g_szLanguageFile;

// Text number `line` (line N of the current language file, counting from 1), as UTF-8 bytes.
// The returned text is only valid until the next call. A missing file is reported (every time)
// and yields a fixed text; a missing line yields another fixed text.
const char* GetLanguageText(int line);

// Who is told, with the file's path, that the language file cannot be read: the main window
// shows a box (ui/LanguageFileBox.h). The texts sit below every widget, so the box is installed
// from above; until then a missing file only yields the fixed text.
using MissingLanguageFileReport = std::function<void(const std::string& path)>;
void SetMissingLanguageFileReport(MissingLanguageFileReport report);
