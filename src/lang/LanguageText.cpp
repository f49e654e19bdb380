#include "lang/LanguageText.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "ui/MainWindow.h"
#include "ui/ShowMessage.h"

std::string g_szLanguageFile;

namespace {

constexpr size_t kTextBufferSize = 260;  // a piece is at most 259 bytes and the terminator
char s_szText[kTextBufferSize];

// Reads one piece the way a line read of a text-mode file does: at most size-1 bytes, up to and
// including a line feed, with the carriage return of every CR LF pair dropped. False at the end.
bool ReadPiece(std::FILE* file, char* buffer, size_t size) {
    size_t length = 0;
    while (length + 1 < size) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        buffer[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[length] = '\0';
    return length > 0;
}

// Opens the language file for reading; a folder is not a file that can be opened.
std::FILE* OpenLanguageFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

// Each backslash-r pair becomes one carriage return, in place.
void ReplaceLineBreakEscapes(char* text) {
    char* out = text;
    for (const char* in = text; *in; ++in) {
        if (in[0] == '\\' && in[1] == 'r') {
            *out++ = '\r';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = '\0';
}

}  // namespace

const char* GetLanguageText(int line) {
    std::FILE* file = OpenLanguageFile(g_szLanguageFile);
    if (!file) {
        ShowMessage(ui::GetMainWindow(), "Missing Language File", MB_OK,
                    "Can't open the default language file:\n\n   %s", g_szLanguageFile.c_str());
        return "Can't open Default.lan language file.";
    }

    bool found = false;
    for (int count = 1; ReadPiece(file, s_szText, sizeof s_szText); ++count) {
        if (count == line) {
            found = true;
            break;
        }
    }
    std::fclose(file);
    if (!found) return "Language line missing.";

    if (char* lineFeed = std::strrchr(s_szText, '\n')) *lineFeed = '\0';
    ReplaceLineBreakEscapes(s_szText);
    return s_szText;
}
