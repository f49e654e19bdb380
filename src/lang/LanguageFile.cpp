#include "lang/LanguageFile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace {

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

LanguageLookup ReadLanguageLine(const std::string& path, int line, char* buffer, std::size_t size) {
    buffer[0] = '\0';
    std::FILE* file = OpenLanguageFile(path);
    if (!file) return LanguageLookup::NoFile;
    bool found = false;
    for (int count = 1; ReadPiece(file, buffer, size); ++count) {
        if (count == line) {
            found = true;
            break;
        }
    }
    std::fclose(file);
    if (!found) {
        buffer[0] = '\0';
        return LanguageLookup::NoLine;
    }
    if (char* lineFeed = std::strrchr(buffer, '\n')) *lineFeed = '\0';
    ReplaceLineBreakEscapes(buffer);
    return LanguageLookup::Found;
}
