// faac: reads a WAVE stream (standard input or a file) and writes it as AAC, raw ADTS or MP4.
// Started by the player for AAC, MP4 and M4A saving and ripping; see Usage() for the options.
//
// Exit status: 0 when the file is complete (also when the input ended early: the file then
// holds what arrived), 1 when the input or the output failed, 2 for a bad command line.
extern "C" {
#include <libavutil/log.h>
}

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "AacWriter.h"
#include "ByteSource.h"
#include "CommandLine.h"
#include "StopSignals.h"
#include "WaveReader.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kFramesPerRead = 4096;

int Fail(const std::string& message) {
    std::cerr << "faac: " << message << '\n';
    return kExitFailure;
}

// Standard input for "-", else the named file, opened here and closed on the way out.
class Input {
public:
    explicit Input(const std::string& path)
        : owned_(path != faac::kStandardInput),
          fd_(owned_ ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO) {}
    ~Input() {
        if (owned_ && fd_ >= 0) ::close(fd_);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    bool IsFile() const { return owned_; }
    int Descriptor() const { return fd_; }  // < 0 when the file could not be opened (errno)

private:
    bool owned_;
    int fd_;
};

int Encode(const faac::EncoderOptions& options, int inputFd) {
    const faac::StopSignals stopSignals;
    faac::FileDescriptorSource source(inputFd, &stopSignals);
    faac::WaveReader reader(source);
    faac::AacWriter writer(reader.Format(), options);
    std::vector<std::byte> buffer(kFramesPerRead *
                                  static_cast<std::size_t>(reader.Format().BytesPerFrame()));
    while (const std::size_t frames = reader.ReadFrames(buffer)) writer.Write(buffer, frames);
    writer.Finish();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    // A file size limit reached is a failed write like a full disk (reported, the half-written
    // file removed), not the end of the program.
    ::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    faac::CommandLine line;
    try {
        line = faac::ParseCommandLine(args);
    } catch (const faac::CommandLineError& error) {
        std::cerr << "faac: " << error.what() << " (faac --help lists the options)\n";
        return kExitUsage;
    }
    if (line.showHelp) {
        std::cout << faac::Usage();
        return 0;
    }
    const faac::EncoderOptions& options = line.options;

    const Input input(options.inputPath);
    if (input.Descriptor() < 0)
        return Fail("cannot open '" + options.inputPath + "': " + std::strerror(errno));
    std::error_code notTheSame;
    if (input.IsFile() &&
        std::filesystem::equivalent(options.inputPath, options.outputPath, notTheSame))
        return Fail("the output '" + options.outputPath + "' is the input itself");
    try {
        return Encode(options, input.Descriptor());
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
