// Checks every shipped language file against the table of text numbers: the player looks texts up
// by line number only and feeds many of them to printf, so a shifted line, a missing placeholder or
// a single "%" shows the wrong text or garbles a message without any error at run time.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lang/LanguageText.h"

namespace {

constexpr int kLastTextNumber = 167;
// The lookup reads pieces of at most 259 bytes including the line feed; a longer line would be
// split and shift every later number.
constexpr size_t kMaxTextBytes = 258;

// Texts that go through printf, with the kinds of their arguments in order
// (s = string, d = integer, f = floating point).
const std::map<int, std::string>& PrintfTexts() {
    static const std::map<int, std::string> texts = {
        {33, ""},    {34, "s"},  {35, ""},    {36, ""},   {39, ""},   {40, "s"},     {41, "sd"},
        {42, "s"},   {43, "s"},  {44, "s"},   {45, "s"},  {49, "s"},  {50, "s"},     {51, "d"},
        {52, "s"},   {53, "s"},  {54, "d"},   {55, "s"},  {56, ""},   {59, "s"},     {60, "d"},
        {61, "d"},   {62, "s"},  {63, "d"},   {64, "s"},  {65, "d"},  {106, "s"},    {107, "s"},
        {108, "f"},  {109, "d"}, {110, "s"},  {111, ""},  {112, "s"}, {113, "s"},    {114, "d"},
        {115, "ds"}, {116, "d"}, {117, "sd"}, {118, "d"}, {119, "d"}, {122, ""},     {124, "f"},
        {127, "ss"}, {128, "s"}, {129, "s"},  {132, ""},  {141, "d"}, {150, "dddd"}, {152, ""},
    };
    return texts;
}

// Captions, tooltips and names: shown exactly as written.
const std::set<int>& PlainTexts() {
    static const std::set<int> texts = [] {
        std::set<int> numbers;
        for (int n = 1; n <= 32; ++n) numbers.insert(n);
        for (int n = 67; n <= 89; ++n) numbers.insert(n);
        for (int n :
             {104, 105, 120, 121, 123, 125, 126, 130, 131, 133, 134, 135, 136, 137, 138, 139,
              140, 142, 143, 144, 145, 146, 147, 148, 149, 151, 153, 154, 155, 156, 157})
            numbers.insert(n);
        for (int n = 158; n <= 167; ++n) numbers.insert(n);
        return numbers;
    }();
    return texts;
}

bool IsUsed(int number) {
    return PrintfTexts().count(number) || PlainTexts().count(number);
}

// The argument kinds of a printf format, in order, or an error for anything the player's
// arguments cannot satisfy (a lone "%", a length modifier, "*", positional arguments, %n).
struct FormatScan {
    std::string kinds;
    std::string error;
};

FormatScan ScanFormat(const std::string& text) {
    FormatScan scan;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            i = j;
            continue;
        }
        while (j < text.size() && std::string("-+ #0").find(text[j]) != std::string::npos) ++j;
        while (j < text.size() && isdigit(static_cast<unsigned char>(text[j]))) ++j;
        if (j < text.size() && text[j] == '.') {
            ++j;
            while (j < text.size() && isdigit(static_cast<unsigned char>(text[j]))) ++j;
        }
        const char conversion = j < text.size() ? text[j] : '\0';
        switch (conversion) {
            case 's':
                scan.kinds += 's';
                break;
            case 'd':
            case 'i':
                scan.kinds += 'd';
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                scan.kinds += 'f';
                break;
            default:
                scan.error = "unusable '%' at byte " + std::to_string(i) +
                             " (write \"%%\" for a percent sign)";
                return scan;
        }
        i = j;
    }
    return scan;
}

bool IsValidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        int follow = 0;
        unsigned min = 0;
        unsigned code = *p;
        if (code < 0x80) {
            ++p;
            continue;
        } else if ((code & 0xE0) == 0xC0) {
            follow = 1, code &= 0x1F, min = 0x80;
        } else if ((code & 0xF0) == 0xE0) {
            follow = 2, code &= 0x0F, min = 0x800;
        } else if ((code & 0xF8) == 0xF0) {
            follow = 3, code &= 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (end - p <= follow) return false;
        for (int k = 1; k <= follow; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        p += follow + 1;
    }
    return true;
}

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Every problem of one language file, one text per problem, naming the line.
std::vector<std::string> CheckLanguageFile(const std::string& bytes) {
    std::vector<std::string> problems;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        problems.push_back("starts with a byte-order mark, which becomes part of text 1");
    if (bytes.find('\r') != std::string::npos)
        problems.push_back("holds a carriage return: use LF line ends and \\r inside a text");

    const std::vector<std::string> lines = SplitLines(bytes);
    if (lines.size() < kLastTextNumber)
        problems.push_back("has " + std::to_string(lines.size()) + " lines, needs " +
                           std::to_string(kLastTextNumber));

    for (size_t index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        const std::string& text = lines[index];
        const std::string where = "line " + std::to_string(number) + ": ";
        if (text.size() > kMaxTextBytes)
            problems.push_back(where + std::to_string(text.size()) + " bytes, at most " +
                               std::to_string(kMaxTextBytes));
        if (!IsValidUtf8(text)) problems.push_back(where + "not valid UTF-8");
        if (number > kLastTextNumber) continue;
        if (!IsUsed(number)) {
            if (!text.empty()) problems.push_back(where + "should be empty (unused number)");
            continue;
        }
        if (text.empty()) {
            problems.push_back(where + "is empty");
            continue;
        }
        if (auto format = PrintfTexts().find(number); format != PrintfTexts().end()) {
            const FormatScan scan = ScanFormat(text);
            if (!scan.error.empty())
                problems.push_back(where + scan.error);
            else if (scan.kinds != format->second)
                problems.push_back(where + "placeholders \"" + scan.kinds + "\", expected \"" +
                                   format->second + "\"");
        } else if (text.find("%%") != std::string::npos) {
            problems.push_back(where + "\"%%\" in a text shown unchanged would show both signs");
        }
    }
    return problems;
}

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

QStringList ShippedLanguageFiles() {
    return Sorted(QDir(":/lang").entryList({"*.lan"}, QDir::Files));
}

std::string Joined(const std::vector<std::string>& problems) {
    std::string all;
    for (const auto& problem : problems) all += "\n  " + problem;
    return all;
}

}  // namespace

TEST(LanguageFiles, TheCompiledInSetMatchesTheSourceFolderIncludingNonAsciiNames) {
    const QStringList compiled = ShippedLanguageFiles();
    const QStringList source = Sorted(
        QDir(QStringLiteral(QUORVEL_RESOURCES_DIR "/lang")).entryList({"*.lan"}, QDir::Files));
    EXPECT_EQ(compiled, source);
    for (const char* name : {"English.lan", "Deutsch.lan", "Español.lan", "Français.lan"})
        EXPECT_TRUE(compiled.contains(QString::fromUtf8(name))) << name;
    // The current language is a copy made at run time; shipping one would list nothing new and
    // could overwrite the user's choice.
    for (const QString& name : compiled)
        EXPECT_NE(name.compare("Default.lan", Qt::CaseInsensitive), 0);
}

TEST(LanguageFiles, EveryFileKeepsNumbersPlaceholdersAndLimits) {
    const QStringList files = ShippedLanguageFiles();
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const std::string bytes = ReadAll(":/lang/" + name);
        ASSERT_FALSE(bytes.empty()) << name.toStdString();
        const auto problems = CheckLanguageFile(bytes);
        EXPECT_TRUE(problems.empty()) << name.toStdString() << Joined(problems);
    }
}

TEST(LanguageFiles, EnglishCaptionsMatchTheWindowsDefaults) {
    const auto lines = SplitLines(ReadAll(":/lang/English.lan"));
    ASSERT_GE(lines.size(), static_cast<size_t>(kLastTextNumber));
    EXPECT_EQ(lines[67 - 1], "Pitch: 0");
    EXPECT_EQ(lines[68 - 1], "Tempo: 100%");
    EXPECT_EQ(lines[69 - 1], "Volume: 50");
    EXPECT_EQ(lines[70 - 1], "Vocal Reduction: 0");
    EXPECT_EQ(lines[104 - 1], "[please open a file, thanks]");
    EXPECT_EQ(lines[116 - 1], "Tempo: %d%%");
}

TEST(LanguageFiles, EachLanguageNamesAShippedSelfContainedHelpFile) {
    for (const QString& name : ShippedLanguageFiles()) {
        const auto lines = SplitLines(ReadAll(":/lang/" + name));
        ASSERT_GE(lines.size(), static_cast<size_t>(kLastTextNumber)) << name.toStdString();
        const QString help = QString::fromStdString(lines[123 - 1]);
        EXPECT_FALSE(help.contains('/') || help.contains('\\')) << help.toStdString();
        const std::string page = ReadAll(":/help/" + help);
        ASSERT_FALSE(page.empty())
            << name.toStdString() << " names a missing help file " << help.toStdString();
        EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << help.toStdString();
        // Opened from the data folder by the browser, so it must not depend on anything beside it.
        for (const char* outside : {"src=", "<link", "url(", "@import"})
            EXPECT_EQ(page.find(outside), std::string::npos)
                << help.toStdString() << ": " << outside;
    }
}

TEST(LanguageFiles, TheChecksCatchTypicalTranslationMistakes) {
    auto withLine = [](int number, const std::string& text) {
        std::string english = ReadAll(":/lang/English.lan");
        auto lines = SplitLines(english);
        lines[number - 1] = text;
        std::string joined;
        for (const auto& line : lines) joined += line + "\n";
        return CheckLanguageFile(joined);
    };
    ASSERT_TRUE(withLine(1, "Save").empty());
    EXPECT_FALSE(withLine(35, "100% saved").empty());           // lone percent in a message
    EXPECT_FALSE(withLine(41, "Error %d in %s").empty());       // arguments swapped
    EXPECT_FALSE(withLine(41, "Can't open %s (%ld)").empty());  // length modifier
    EXPECT_FALSE(withLine(108, "%d%%").empty());                // integer for a float
    EXPECT_FALSE(withLine(109, "").empty());                    // used line left empty
    EXPECT_FALSE(withLine(37, "stray").empty());                // text on an unused line
    EXPECT_FALSE(withLine(19, "Tempo 100%%").empty());          // doubled sign in a tooltip
    EXPECT_FALSE(withLine(10, std::string(259, 'x')).empty());  // would be split in two
    EXPECT_FALSE(withLine(10, "caf\xC3").empty());              // cut inside a character
    EXPECT_FALSE(CheckLanguageFile("\xEF\xBB\xBF" + ReadAll(":/lang/English.lan")).empty());
    EXPECT_TRUE(withLine(108, "%5.2f %%").empty());
}

// What the player really shows: each file installed as the current language, every number read
// through the lookup and every format filled with arguments of the kinds the player passes.
TEST(LanguageFiles, EveryTextReadsBackThroughTheLookupAndShowsItsArguments) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string saved = g_szLanguageFile;
    g_szLanguageFile = dir.path().toStdString() + "/Default.lan";
    for (const QString& name : ShippedLanguageFiles()) {
        SCOPED_TRACE(name.toStdString());
        QFile::remove(QString::fromStdString(g_szLanguageFile));
        ASSERT_TRUE(QFile::copy(":/lang/" + name, QString::fromStdString(g_szLanguageFile)));
        const auto lines = SplitLines(ReadAll(":/lang/" + name));
        for (int number = 1; number <= kLastTextNumber; ++number) {
            std::string expected = lines.at(static_cast<size_t>(number) - 1);
            for (size_t at; (at = expected.find("\\r")) != std::string::npos;)
                expected.replace(at, 2, "\r");
            const std::string text = GetLanguageText(number);
            EXPECT_EQ(text, expected) << "text " << number;

            auto format = PrintfTexts().find(number);
            if (format == PrintfTexts().end() || ScanFormat(text).kinds != format->second) continue;
            // Arguments in the order the player passes them.
            char shown[1024];
            const std::string& kinds = format->second;
            if (kinds.empty())
                std::snprintf(shown, sizeof shown, "%s", text.c_str());
            else if (kinds == "s")
                std::snprintf(shown, sizeof shown, text.c_str(), "/music/Song.wav");
            else if (kinds == "ss")
                std::snprintf(shown, sizeof shown, text.c_str(), "/music/Song.wav", "locked");
            else if (kinds == "d")
                std::snprintf(shown, sizeof shown, text.c_str(), 4321);
            else if (kinds == "f")
                std::snprintf(shown, sizeof shown, text.c_str(), 42.5f);
            else if (kinds == "sd")
                std::snprintf(shown, sizeof shown, text.c_str(), "/music/Song.wav", 4321);
            else if (kinds == "ds")
                std::snprintf(shown, sizeof shown, text.c_str(), 4321, "/music/Song.wav");
            else if (kinds == "dddd")
                std::snprintf(shown, sizeof shown, text.c_str(), 4321, 4321, 4321, 4321);
            const std::string result = shown;
            if (kinds.find('s') != std::string::npos) {
                EXPECT_NE(result.find("/music/Song.wav"), std::string::npos) << "text " << number;
            }
            if (kinds.find('d') != std::string::npos) {
                EXPECT_NE(result.find("4321"), std::string::npos) << "text " << number;
            }
            if (kinds == "f") {
                EXPECT_NE(result.find("42"), std::string::npos) << "text " << number;
            }
        }
        EXPECT_STREQ(GetLanguageText(kLastTextNumber + 1), "Language line missing.");
    }
    g_szLanguageFile = saved;
}
