// The command line as a desktop, a terminal and Qt's own options fill it.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLine, AFileOrNothingRunsThePlayer) {
    EXPECT_EQ(Parse({}).action, Action::Run);
    EXPECT_EQ(Parse({}).file, "");
    const CommandLine one = Parse({"song.mp3"});
    EXPECT_EQ(one.action, Action::Run);
    EXPECT_EQ(one.file, "song.mp3");
    // A lone dash, and anything after "--", is a file name.
    EXPECT_EQ(Parse({"-"}).file, "-");
    EXPECT_EQ(Parse({"--", "--help"}).file, "--help");
    EXPECT_EQ(Parse({"--", "-odd name.wav"}).file, "-odd name.wav");
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
    EXPECT_EQ(Parse({"--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"-h"}).action, Action::Help);
    EXPECT_EQ(Parse({"song.mp3", "--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version"}).action, Action::Version);
    EXPECT_EQ(Parse({"song.mp3", "--version"}).action, Action::Version);
    EXPECT_EQ(VersionText().rfind(std::string("quorvel ") + ProgramVersion() + "\n", 0), 0u);
    EXPECT_NE(VersionText().find("GNU GPL version 3 or later"), std::string::npos);
    EXPECT_NE(std::string(ProgramVersion()), "");
    EXPECT_EQ(HelpText().rfind("Usage: quorvel [FILE]\n", 0), 0u);
}

TEST(CommandLine, QtsOwnOptionsPassThroughWithTheirValues) {
    const CommandLine line = Parse({"-platform", "offscreen", "-style=fusion", "--reverse",
                                    "song.mp3", "--qwindowgeometry", "100x100+0+0"});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.file, "song.mp3");
    // The value of an option is not taken for the file.
    EXPECT_EQ(Parse({"-display", ":3"}).file, "");
}

TEST(CommandLine, MistakesAreErrorsThatSayWhat) {
    const CommandLine unknown = Parse({"--bogus", "song.mp3"});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_NE(unknown.error.find("'--bogus'"), std::string::npos) << unknown.error;
    EXPECT_EQ(Parse({"-x"}).action, Action::Error);
    const CommandLine two = Parse({"a.mp3", "b.mp3"});
    EXPECT_EQ(two.action, Action::Error);
    EXPECT_NE(two.error.find("2 given"), std::string::npos) << two.error;
    EXPECT_EQ(Parse({""}).action, Action::Error);
    for (const char* remote :
         {"http://example.org/a.mp3", "sftp://host/a.mp3", "file://otherhost/a.mp3", "file://"}) {
        const CommandLine line = Parse({remote});
        EXPECT_EQ(line.action, Action::Error) << remote;
        EXPECT_NE(line.error.find("only local files"), std::string::npos) << remote;
    }
}

TEST(CommandLine, PathsBecomeAbsoluteAgainstTheCallersFolder) {
    EXPECT_EQ(AbsoluteFilePath("song.mp3", "/home/me/Music"), "/home/me/Music/song.mp3");
    EXPECT_EQ(AbsoluteFilePath("song.mp3", "/home/me/Music/"), "/home/me/Music/song.mp3");
    EXPECT_EQ(AbsoluteFilePath("./song.mp3", "/m"), "/m/song.mp3");
    EXPECT_EQ(AbsoluteFilePath(".//./a/b.ogg", "/m"), "/m/a/b.ogg");
    EXPECT_EQ(AbsoluteFilePath("../other/b.ogg", "/m/x"), "/m/x/../other/b.ogg");  // links stay
    EXPECT_EQ(AbsoluteFilePath("song.mp3", "/"), "/song.mp3");
    EXPECT_EQ(AbsoluteFilePath("/abs/song.mp3", "/m"), "/abs/song.mp3");
    EXPECT_EQ(AbsoluteFilePath("", "/m"), "");
    // Bytes that are not UTF-8 go through as they are.
    EXPECT_EQ(AbsoluteFilePath("caf\xe9.wav", "/m"), "/m/caf\xe9.wav");
}

TEST(CommandLine, FileUrlsBecomeLocalPaths) {
    EXPECT_EQ(AbsoluteFilePath("file:///home/me/My%20Song.mp3", "/m"), "/home/me/My Song.mp3");
    EXPECT_EQ(AbsoluteFilePath("file://localhost/a/%C3%A9%25.wav", "/m"), "/a/\xc3\xa9%.wav");
    // A percent sign without two hex digits stays.
    EXPECT_EQ(AbsoluteFilePath("file:///a/100%.wav", "/m"), "/a/100%.wav");
    EXPECT_EQ(AbsoluteFilePath("file:///a/%zz%4", "/m"), "/a/%zz%4");
    EXPECT_EQ(Parse({"file:///a/b.mp3"}).action, Action::Run);
}

TEST(CommandLine, TheWorkingFolderIsRead) {
    const std::string folder = CurrentFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_EQ(AbsoluteFilePath("x", folder), folder + (folder == "/" ? "" : "/") + "x");
}

}  // namespace
