#pragma once

// Helpers shared by the user-interface, language and start-up tests: scoped environment
// variables (support/ScopedEnv.h), a private data folder, and small files written byte for byte
// (support/Files.h).

#include <QTemporaryDir>
#include <string>

#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace testenv {

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
