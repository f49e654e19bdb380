#pragma once

// Helpers shared by the user-interface, language and start-up tests: scoped environment
// variables (support/ScopedEnv.h), a private data folder, and small files written byte for byte.

#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <string_view>

#include "support/ScopedEnv.h"

namespace testenv {

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// APPDATA pointed at a fresh temporary folder for the test's lifetime.
class TempAppData {
public:
    TempAppData() : m_env("APPDATA", m_dir.path().toUtf8().constData()) {}
    std::string Base() const { return m_dir.path().toStdString(); }
    std::string Folder() const { return Base() + "/Quorvel"; }

private:
    QTemporaryDir m_dir;
    ScopedEnv m_env;
};

}  // namespace testenv
