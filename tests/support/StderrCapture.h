// Everything written to file descriptor 2 while a StderrCapture lives, whoever writes it (the
// libraries under the audio layer print there directly).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/Files.h"

namespace testenv {

class StderrCapture {
public:
    // Standard error goes to the file `path` until Text() or the end of the capture.
    explicit StderrCapture(std::string path) : m_path(std::move(path)) {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int file = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, STDERR_FILENO);
        ::close(file);
    }
    ~StderrCapture() { Restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Ends the capture and gives what was written.
    std::string Text() {
        Restore();
        return ReadFile(m_path);
    }

private:
    void Restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    std::string m_path;
    int m_saved = -1;
};

}  // namespace testenv
