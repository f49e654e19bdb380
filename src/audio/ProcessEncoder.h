// An encoder that is an external program reading a WAVE stream (or bare PCM) on its standard
// input and writing its own file.
#pragma once

#include <memory>
#include <string>

#include "audio/ChildProcess.h"
#include "audio/Encoder.h"

namespace audio::detail {

class ProcessEncoder : public Encoder {
public:
    // How long Finish waits for the program to complete its file before killing it.
    static constexpr std::chrono::seconds kPatience{30};

    // Splits `cmdline`, finds and starts the program, and writes the 44-byte WAVE header for
    // 16-bit PCM at `sampleRate` with `channels` (sizes 0: length unknown) unless `withHeader`
    // is false. Null with `error` = ERROR_ILLPARAM (no program in the line, an open quote) or
    // ERROR_FILEOPEN (the program cannot be found or started).
    static std::unique_ptr<ProcessEncoder> Start(const std::string& cmdline, int sampleRate,
                                                 int channels, bool withHeader, int& error);

protected:
    bool DoWrite(const void* data, std::size_t bytes) override;
    bool DoFinish() override;
    bool DoAlive() override;

private:
    explicit ProcessEncoder(std::unique_ptr<ChildProcess> child) : m_pChild(std::move(child)) {}
    std::unique_ptr<ChildProcess> m_pChild;
};

}  // namespace audio::detail
