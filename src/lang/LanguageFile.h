#pragma once

#include <cstddef>
#include <string>

// Reading one text of a language file: line N (counting from 1) as UTF-8 bytes. Lines are read
// the way a line read of a text-mode file reads them: a piece of at most size - 1 bytes counts as
// a line of its own, and the carriage return of every CR LF pair is dropped. The line feed is
// removed and each backslash-r pair becomes a carriage return (a line break in a message).

enum class LanguageLookup { Found, NoFile, NoLine };

// Reads text number `line` of the file at `path` into `buffer` (of `size` bytes, at least 2),
// always terminated. NoFile when the file cannot be opened or is a folder; NoLine when it has
// fewer lines (any `line` below 1 included).
LanguageLookup ReadLanguageLine(const std::string& path, int line, char* buffer, std::size_t size);
