#include "audio/ProcessEncoder.h"

#include "audio/Audio.h"
#include "audio/CommandLine.h"
#include "audio/WaveHeader.h"

namespace audio::detail {

std::unique_ptr<ProcessEncoder> ProcessEncoder::Start(const std::string& cmdline, int sampleRate,
                                                      int channels, bool withHeader, int& error) {
    const auto args = SplitCommandLine(cmdline);
    if (!args) {
        error = ERROR_ILLPARAM;
        return nullptr;
    }
    const std::string program = ResolveProgram(args->front());
    auto child = program.empty() ? nullptr : ChildProcess::Start(program, *args);
    if (!child) {
        error = ERROR_FILEOPEN;
        return nullptr;
    }
    std::unique_ptr<ProcessEncoder> encoder(new ProcessEncoder(std::move(child)));
    if (withHeader) {
        const auto header = PcmWaveHeader({sampleRate, channels, 16}, std::nullopt);
        // A program that exits at once is reported by the next write, as when it exits later.
        encoder->Write(header.data(), header.size());
    }
    return encoder;
}

bool ProcessEncoder::DoWrite(const void* data, std::size_t bytes) {
    return m_pChild->Write(data, bytes);
}

bool ProcessEncoder::DoFinish() {
    return m_pChild->Finish(kPatience);
}

bool ProcessEncoder::DoAlive() {
    return m_pChild->Running();
}

}  // namespace audio::detail
