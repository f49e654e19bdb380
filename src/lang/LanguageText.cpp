#include "lang/LanguageText.h"

#include "lang/LanguageFile.h"
#include "ui/MainWindow.h"
#include "ui/ShowMessage.h"

std::string g_szLanguageFile;

namespace {

constexpr size_t kTextBufferSize = 260;  // a piece is at most 259 bytes and the terminator
char s_szText[kTextBufferSize];

}  // namespace

const char* GetLanguageText(int line) {
    switch (ReadLanguageLine(g_szLanguageFile, line, s_szText, sizeof s_szText)) {
        case LanguageLookup::Found:
            return s_szText;
        case LanguageLookup::NoLine:
            return "Language line missing.";
        case LanguageLookup::NoFile:
            break;
    }
    ShowMessage(ui::GetMainWindow(), "Missing Language File", MB_OK,
                "Can't open the default language file:\n\n   %s", g_szLanguageFile.c_str());
    return "Can't open Default.lan language file.";
}
