#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The readers under test take paths, so each input is written to a file in a private folder made
// once per fuzzing process (and removed with its files when the process ends normally).
class FuzzFolder {
public:
    static const std::string& Path() {
        static FuzzFolder folder;
        return folder.m_path;
    }

    // Writes the bytes to `name` in the folder; aborts when that fails (a full disk is not a
    // finding).
    static std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size) {
        const std::string path = Path() + "/" + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
            std::perror(path.c_str());
            std::abort();
        }
        return path;
    }

private:
    FuzzFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvel-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~FuzzFolder() {
        const std::string command = "rm -rf '" + m_path + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", m_path.c_str());
    }
    std::string m_path;
};
