#include "engine/OpenedFiles.h"

#include <unistd.h>

void DeleteTemporaryFiles(const std::vector<std::string>& arrOpenedFiles,
                          const std::vector<unsigned>& arrOpenedIsTemp) {
    for (std::size_t i = 0; i < arrOpenedFiles.size() && i < arrOpenedIsTemp.size(); ++i)
        if (arrOpenedIsTemp[i] == 1) ::unlink(arrOpenedFiles[i].c_str());  // files only
}
