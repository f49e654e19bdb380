#pragma once

#include <string>
#include <vector>

// The register of opened files: every path the open command handed to the song loader, in
// order, duplicates included, with a parallel flag list: 1 for a temporary file (a ripped CD
// track), 0 for a file of the user's.
//
// Deletes every file flagged 1, from the first entry on. Files flagged 0 are never touched (when
// the same path is also listed with flag 1, that entry deletes it); failed deletions are ignored.
void DeleteTemporaryFiles(const std::vector<std::string>& arrOpenedFiles,
                          const std::vector<unsigned>& arrOpenedIsTemp);
