#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Values of INI files read the way the platform's profile reader reads them:
//  - section and key names match without regard to case (ASCII), blanks around them ignored;
//  - blanks around a value are dropped, and a value wholly enclosed in a pair of matching single
//    or double quotes loses them;
//  - only the first section of a name counts, and in it the first key of a name;
//  - a missing file, section or key, or a key line without '=', gives the default;
//  - the result is cut to `size` - 1 bytes, as a buffer of `size` bytes holds it.

// Looks the key up in INI text already read.
std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view defaultValue,
                                     std::size_t size);

// The whole text of an INI file; empty when it cannot be read as a whole (missing, a folder, no
// access).
std::string ReadProfileText(const std::string& path);

// Looks the key up in the file at `path` (read afresh on every call).
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t size,
                                    const std::string& path);

// The C library's decimal rule for numbers in texts: leading blanks, an optional sign, then the
// leading digits; 0 when there are none. Values beyond the 32-bit range saturate.
int AsciiToInt(std::string_view text);
