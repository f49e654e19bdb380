// The language file reader over arbitrary bytes, and every text it returns used the ways the
// player uses language texts: as message formats with the arguments of each kind of message, and
// as slider caption formats.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzFile.h"
#include "engine/CaptionText.h"
#include "lang/LanguageFile.h"
#include "ui/MessageText.h"

namespace {

void UseAsFormats(const char* text) {
    const std::string path(300, 'x');
    (void)FormatMessageText(text);
    (void)FormatMessageText(text, path.c_str());
    (void)FormatMessageText(text, path.c_str(), 41);
    (void)FormatMessageText(text, 51);
    (void)FormatMessageText(text, 5, "No space left on device");
    (void)FormatMessageText(text, 99.5);
    (void)FormatCaptionText(text, 125);
    (void)FormatCaptionText(text, "+", 12);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = FuzzFolder::Write("Default.lan", data, size);
    char text[260];
    // Every line of the file, then the first line past its end.
    for (int line = 0;; ++line) {
        const LanguageLookup found = ReadLanguageLine(path, line, text, sizeof text);
        if (std::memchr(text, '\0', sizeof text) == nullptr) std::abort();
        if (found == LanguageLookup::NoFile) std::abort();
        if (found == LanguageLookup::NoLine) {
            if (line > 0) break;
            continue;
        }
        if (std::strchr(text, '\n')) std::abort();
        UseAsFormats(text);
    }
    // Texts are also small enough to be whole formats straight from the fuzzer.
    const std::string whole(reinterpret_cast<const char*>(data), size);
    UseAsFormats(whole.c_str());
    return 0;
}
