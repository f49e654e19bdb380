#include "lang/LanguageText.h"

#include <utility>

#include "lang/LanguageFile.h"

std::string g_szLanguageFile;

namespace {

constexpr size_t kTextBufferSize = 260;  // a piece is at most 259 bytes and the terminator
char s_szText[kTextBufferSize];

MissingLanguageFileReport& MissingFileReport() {
    static MissingLanguageFileReport report;
    return report;
}

}  // namespace

void SetMissingLanguageFileReport(MissingLanguageFileReport report) {
    MissingFileReport() = std::move(report);
}

const char* GetLanguageText(int line) {
    switch (ReadLanguageLine(g_szLanguageFile, line, s_szText, sizeof s_szText)) {
        case LanguageLookup::Found:
            return s_szText;
        case LanguageLookup::NoLine:
            return "Language line missing.";
        case LanguageLookup::NoFile:
            break;
    }
    if (const MissingLanguageFileReport& report = MissingFileReport()) report(g_szLanguageFile);
    return "Can't open Default.lan language file.";
}
