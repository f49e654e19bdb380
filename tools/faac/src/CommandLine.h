// The encoder's command line, as the player builds it:
//   faac -q 130 -c 22000 --mpeg-vers 4 [-w] -o "out.aac" -
//
// Parsing never touches a file; it only checks that every option is known, has its value and
// that the value is a whole number in range. The first fault found is reported with a message
// meant for a person reading stderr.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace faac {

// Quality as the rows of the player's AAC chooser know it (70..130); other values are
// extrapolated from those rows.
constexpr int kMinQuality = 10;
constexpr int kMaxQuality = 500;
constexpr int kDefaultQuality = 100;

// Cut-off in Hz; 0 leaves the choice to the encoder. Values above half the sample rate are
// lowered to it when the stream's rate is known.
constexpr int kMinCutoff = 1000;
constexpr int kMaxCutoff = 48000;

// The input name that means "a WAVE stream on standard input".
constexpr std::string_view kStandardInput = "-";

struct EncoderOptions {
    int quality = kDefaultQuality;
    int cutoffHz = 0;
    int mpegVersion = 4;        // 2 or 4: the version the ADTS headers announce
    bool mp4Container = false;  // -w: an MP4 file instead of raw ADTS frames
    std::string outputPath;
    std::string inputPath;  // kStandardInput or a WAVE file
};

struct CommandLine {
    bool showHelp = false;  // --help or -h: print Usage() and do nothing else
    EncoderOptions options;
};

// What is wrong with a command line, in one line without the program's name.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args excludes the program name. Throws CommandLineError for an unknown option, a missing or
// malformed value, a number out of range, a missing -o or input, or a second input.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// The help text, ending in a newline.
std::string Usage();

}  // namespace faac
