#include "CommandLine.h"

#include <charconv>

namespace faac {
namespace {

int ParseNumber(std::string_view option, std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw CommandLineError("option " + std::string(option) + " needs a whole number, not '" +
                               std::string(text) + "'");
    }
    if (value < low || value > high) {
        throw CommandLineError("option " + std::string(option) + " must be between " +
                               std::to_string(low) + " and " + std::to_string(high) + ", not " +
                               std::string(text));
    }
    return value;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    CommandLine line;
    EncoderOptions& options = line.options;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const auto value = [&]() -> std::string_view {
            if (i + 1 >= args.size())
                throw CommandLineError("option " + std::string(arg) + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            line.showHelp = true;
            return line;
        } else if (arg == "-q") {
            options.quality = ParseNumber(arg, value(), kMinQuality, kMaxQuality);
        } else if (arg == "-c") {
            const std::string_view text = value();
            options.cutoffHz = text == "0" ? 0 : ParseNumber(arg, text, kMinCutoff, kMaxCutoff);
        } else if (arg == "--mpeg-vers") {
            const std::string_view text = value();
            if (text != "2" && text != "4")
                throw CommandLineError("option --mpeg-vers must be 2 or 4, not '" +
                                       std::string(text) + "'");
            options.mpegVersion = text == "2" ? 2 : 4;
        } else if (arg == "-w") {
            options.mp4Container = true;
        } else if (arg == "-o") {
            options.outputPath = value();
            if (options.outputPath.empty()) throw CommandLineError("option -o needs a file name");
        } else if (arg.size() > 1 && arg.front() == '-') {
            throw CommandLineError("unknown option '" + std::string(arg) + "'");
        } else {
            if (haveInput)
                throw CommandLineError("more than one input given ('" + options.inputPath +
                                       "' and '" + std::string(arg) + "')");
            if (arg.empty()) throw CommandLineError("the input name is empty");
            options.inputPath = arg;
            haveInput = true;
        }
    }
    if (options.outputPath.empty()) throw CommandLineError("no output file given (-o FILE)");
    if (!haveInput) throw CommandLineError("no input given (a WAVE file, or - for standard input)");
    return line;
}

std::string Usage() {
    return "Usage: faac [options] -o OUTPUT INPUT\n"
           "Encodes a WAVE stream as AAC (MPEG-4 AAC-LC).\n"
           "\n"
           "  INPUT            a WAVE file, or - to read a WAVE stream from standard input\n"
           "  -o OUTPUT        the file to write\n"
           "  -q N             quality, 10..500 (default 100); 70..130 give about 62..218 kbps\n"
           "                   for stereo, half that for mono\n"
           "  -c HZ            cut-off frequency, 1000..48000, or 0 for the encoder's choice\n"
           "  --mpeg-vers N    MPEG version announced in ADTS headers, 2 or 4 (default 4)\n"
           "  -w               write an MP4 file instead of raw ADTS frames\n"
           "  -h, --help       show this text\n"
           "\n"
           "Standard input may be of unknown length (data size 0): the stream ends where the\n"
           "input ends, and the file is finished then.\n";
}

}  // namespace faac
