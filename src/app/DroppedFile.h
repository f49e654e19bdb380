#pragma once

#include <optional>
#include <string>

class QMimeData;

// The file a drag carries when the main window takes it: exactly one URL, of a local file that
// exists and is not a folder (a link to a file counts as the file). Its path in the bytes the
// file system uses; nullopt for anything else (several files, a folder, a web address, text).
std::optional<std::string> DroppedFile(const QMimeData* data);
