#pragma once

// Helpers shared by the user-interface, language and start-up tests: scoped environment
// variables, a private data folder, and small files written byte for byte.

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace testenv {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

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
