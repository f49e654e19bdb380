// The encoder's command-line parser, on the lines the player builds and on broken ones.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"

namespace {

faac::CommandLine Parse(const std::vector<std::string_view>& args) {
    return faac::ParseCommandLine(args);
}

std::string ErrorOf(const std::vector<std::string_view>& args) {
    try {
        Parse(args);
    } catch (const faac::CommandLineError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(FaacCommandLine, TheAacLineOfTheFirstRow) {
    const faac::CommandLine line =
        Parse({"-q", "130", "-c", "22000", "--mpeg-vers", "4", "-o", "/music/out.aac", "-"});
    EXPECT_FALSE(line.showHelp);
    EXPECT_EQ(line.options.quality, 130);
    EXPECT_EQ(line.options.cutoffHz, 22000);
    EXPECT_EQ(line.options.mpegVersion, 4);
    EXPECT_FALSE(line.options.mp4Container);
    EXPECT_EQ(line.options.outputPath, "/music/out.aac");
    EXPECT_EQ(line.options.inputPath, "-");
}

TEST(FaacCommandLine, TheMp4LineWithAPathHoldingBlanksAndDashes) {
    const faac::CommandLine line = Parse(
        {"-q", "100", "-c", "16000", "--mpeg-vers", "4", "-w", "-o", "/my music/-take 2.m4a", "-"});
    EXPECT_EQ(line.options.quality, 100);
    EXPECT_EQ(line.options.cutoffHz, 16000);
    EXPECT_TRUE(line.options.mp4Container);
    EXPECT_EQ(line.options.outputPath, "/my music/-take 2.m4a");
    EXPECT_EQ(line.options.inputPath, "-");
}

TEST(FaacCommandLine, OptionsMayComeInAnyOrderAndMissingOnesTakeDefaults) {
    const faac::CommandLine line = Parse({"song.wav", "-o", "song.aac", "--mpeg-vers", "2"});
    EXPECT_EQ(line.options.inputPath, "song.wav");
    EXPECT_EQ(line.options.outputPath, "song.aac");
    EXPECT_EQ(line.options.mpegVersion, 2);
    EXPECT_EQ(line.options.quality, faac::kDefaultQuality);
    EXPECT_EQ(line.options.cutoffHz, 0);
    EXPECT_FALSE(line.options.mp4Container);
}

TEST(FaacCommandLine, RangeLimitsAreAccepted) {
    EXPECT_EQ(Parse({"-q", "10", "-o", "a", "-"}).options.quality, 10);
    EXPECT_EQ(Parse({"-q", "500", "-o", "a", "-"}).options.quality, 500);
    EXPECT_EQ(Parse({"-c", "0", "-o", "a", "-"}).options.cutoffHz, 0);
    EXPECT_EQ(Parse({"-c", "1000", "-o", "a", "-"}).options.cutoffHz, 1000);
    EXPECT_EQ(Parse({"-c", "48000", "-o", "a", "-"}).options.cutoffHz, 48000);
}

TEST(FaacCommandLine, HelpWinsOverEverythingAfterIt) {
    EXPECT_TRUE(Parse({"--help"}).showHelp);
    EXPECT_TRUE(Parse({"-h", "-nonsense"}).showHelp);
    EXPECT_TRUE(Parse({"-q", "100", "--help"}).showHelp);
    EXPECT_NE(faac::Usage().find("-w"), std::string::npos);
    EXPECT_EQ(faac::Usage().back(), '\n');
}

TEST(FaacCommandLine, FaultsAreNamed) {
    struct Case {
        std::vector<std::string_view> args;
        std::string_view expected;
    };
    const std::vector<Case> cases = {
        {{"-x", "-o", "a", "-"}, "unknown option '-x'"},
        {{"--mpeg-vers=4", "-o", "a", "-"}, "unknown option '--mpeg-vers=4'"},
        {{"-o", "a", "-", "-q"}, "option -q needs a value"},
        {{"-", "-o"}, "option -o needs a value"},
        {{"-q", "abc", "-o", "a", "-"}, "option -q needs a whole number, not 'abc'"},
        {{"-q", "100x", "-o", "a", "-"}, "not '100x'"},
        {{"-q", "1e2", "-o", "a", "-"}, "not '1e2'"},
        {{"-q", "", "-o", "a", "-"}, "not ''"},
        {{"-q", "99999999999999", "-o", "a", "-"}, "needs a whole number"},
        {{"-q", "9", "-o", "a", "-"}, "-q must be between 10 and 500, not 9"},
        {{"-q", "501", "-o", "a", "-"}, "not 501"},
        {{"-q", "-5", "-o", "a", "-"}, "not -5"},
        {{"-c", "999", "-o", "a", "-"}, "-c must be between 1000 and 48000"},
        {{"-c", "22k", "-o", "a", "-"}, "not '22k'"},
        {{"--mpeg-vers", "3", "-o", "a", "-"}, "--mpeg-vers must be 2 or 4, not '3'"},
        {{"-o", "", "-"}, "-o needs a file name"},
        {{"-q", "100", "-"}, "no output file given"},
        {{"-o", "a"}, "no input given"},
        {{"-o", "a", "-", "b.wav"}, "more than one input given ('-' and 'b.wav')"},
        {{"-o", "a", ""}, "the input name is empty"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.args);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "got \"" << error << "\", expected it to contain \"" << c.expected << "\"";
    }
}

}  // namespace
