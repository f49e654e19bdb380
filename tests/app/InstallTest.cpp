// The installed player as a desktop runs it: installed with CMake into a temporary root (for
// /usr, so it runs from a place it was not installed for), its desktop entry, metainfo and man
// page checked by the tools that distributions use, then started on the X display that
// xvfb-run gives this test, with an empty data folder and SDL's dummy output.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "ui/EventWait.h"

namespace {

struct Outcome {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    std::string out;
    std::string err;
};

Outcome RunProgram(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    const QString& folder = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty()) process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Outcome outcome;
    outcome.finished = process.waitForStarted() && process.waitForFinished(300000);
    outcome.status = process.exitStatus();
    outcome.code = process.exitCode();
    outcome.out = process.readAllStandardOutput().toStdString();
    outcome.err = process.readAllStandardError().toStdString();
    return outcome;
}

std::string ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// What a desktop session gives the player: a display, a private runtime folder, a data folder
// of its own, no sound card.
QProcessEnvironment DesktopSession(const QString& appData, const QString& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");  // this test's own window system is offscreen
    environment.insert("APPDATA", appData);
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("SDL_AUDIODRIVER", "dummy");
    // No session bus, and none started on demand: where an X11 bus launcher is installed, the
    // toolkit's accessibility probe would otherwise launch one on this display and the first
    // start would wait on it.
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/no-session-bus");
    return environment;
}

// Visible top-level windows titled "Quorvel": the main window and its message boxes.
int QuorvelWindows() {
    const Outcome search =
        RunProgram("xdotool", {"search", "--onlyvisible", "--name", "^Quorvel$"});
    return static_cast<int>(std::count(search.out.begin(), search.out.end(), '\n'));
}
bool WaitForWindows(int count) {
    return testenv::WaitUntil([&] { return QuorvelWindows() == count; }, 60000);
}
bool Ended(QProcess& process) {
    return testenv::WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 60000);
}

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = std::make_unique<QTemporaryDir>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DESTDIR", s_root->path());
        s_install = RunProgram(QUORVEL_CMAKE, {"--install", QUORVEL_BUILD_DIR, "--prefix", "/usr"},
                               environment);
    }
    static void TearDownTestSuite() { s_root.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_install.finished && s_install.code == 0) << s_install.out << s_install.err;
        ASSERT_TRUE(m_appData.isValid() && m_runtime.isValid() && m_media.isValid());
        ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run this test under xvfb-run";
        // The server starts with the pointer in the middle of the screen, where the player's
        // window appears: a tooltip shown there is a window titled "Quorvel" too.
        const Outcome moved = RunProgram("xdotool", {"mousemove", "0", "0"});
        ASSERT_TRUE(moved.finished && moved.code == 0) << moved.err;
    }
    void TearDown() override {
        for (auto& player : m_players) {
            if (player->state() == QProcess::NotRunning) continue;
            player->kill();
            player->waitForFinished();
        }
    }

    static QString Installed(const QString& path) { return s_root->path() + "/usr/" + path; }
    static QString Player() { return Installed("bin/quorvel"); }

    QProcessEnvironment PlayerEnvironment() const {
        return DesktopSession(m_appData.path(), m_runtime.path());
    }
    QString Socket() const {
        return m_runtime.path() + "/quorvel-" + QString::number(::getuid()) + ".socket";
    }
    QString Media(const QString& name) const { return m_media.path() + "/" + name; }
    void MakeTone(const QString& name, int frequency) {
        const Outcome made =
            RunProgram("ffmpeg", {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                  QString("sine=frequency=%1:duration=4").arg(frequency), "-ac",
                                  "2", Media(name)});
        ASSERT_TRUE(made.finished && made.code == 0) << made.err;
    }

    // Starts the installed player in the media folder.
    QProcess& StartPlayer(const QStringList& arguments) {
        auto& player = m_players.emplace_back(std::make_unique<QProcess>());
        player->setProcessEnvironment(PlayerEnvironment());
        player->setWorkingDirectory(m_media.path());
        player->start(Player(), arguments);
        EXPECT_TRUE(player->waitForStarted());
        return *player;
    }
    // A later start, run to its end.
    Outcome StartAgain(const QStringList& arguments) {
        return RunProgram(Player(), arguments, PlayerEnvironment(), m_media.path());
    }

    // What a failed wait for windows saw: every visible window, and how the player stands.
    static std::string Scene(QProcess& player) {
        std::string scene = "visible windows:\n";
        const Outcome search = RunProgram("xdotool", {"search", "--onlyvisible", "--name", "."});
        std::istringstream ids(search.out);
        for (std::string id; std::getline(ids, id);) {
            const Outcome name =
                RunProgram("xdotool", {"getwindowname", QString::fromStdString(id)});
            const Outcome place =
                RunProgram("xdotool", {"getwindowgeometry", QString::fromStdString(id)});
            scene += "  " + id + " '" + name.out.substr(0, name.out.find('\n')) + "' " + place.out;
        }
        scene += player.state() == QProcess::NotRunning
                     ? "the player ended with " + std::to_string(player.exitCode())
                     : std::string("the player runs");
        return scene + "; its errors: " + player.readAllStandardError().toStdString();
    }
    static std::unique_ptr<QTemporaryDir> s_root;
    static Outcome s_install;
    QTemporaryDir m_appData;
    QTemporaryDir m_runtime;
    QTemporaryDir m_media;
    std::vector<std::unique_ptr<QProcess>> m_players;
};

std::unique_ptr<QTemporaryDir> InstallTest::s_root;
Outcome InstallTest::s_install;

TEST_F(InstallTest, TheTreeHoldsWhatADesktopNeedsAndPassesItsValidators) {
    const QFileInfo player(Player());
    EXPECT_TRUE(player.isFile() && player.isExecutable());
    const QString desktop = Installed("share/applications/org.quorvel.Quorvel.desktop");
    const QString metainfo = Installed("share/metainfo/org.quorvel.Quorvel.metainfo.xml");
    const QString manual = Installed("share/man/man1/quorvel.1");
    EXPECT_NE(ReadText(Installed("share/doc/quorvel/LICENSE")).find("GNU GENERAL PUBLIC LICENSE"),
              std::string::npos);
    for (const int size : {16, 22, 24, 32, 48, 64, 96, 128, 256, 512}) {
        const QImage icon(
            Installed(QString("share/icons/hicolor/%1x%1/apps/org.quorvel.Quorvel.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
    }
    const std::string svg =
        ReadText(Installed("share/icons/hicolor/scalable/apps/org.quorvel.Quorvel.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_EQ(svg.find("<image"), std::string::npos) << "the scalable icon holds pixels";

    const Outcome entry = RunProgram("desktop-file-validate", {desktop});
    EXPECT_TRUE(entry.finished && entry.code == 0);
    EXPECT_EQ(entry.out + entry.err, "");
    const std::string entryText = ReadText(desktop);
    EXPECT_NE(entryText.find("\nExec=quorvel %f\n"), std::string::npos);
    EXPECT_NE(entryText.find("\nIcon=org.quorvel.Quorvel\n"), std::string::npos);
    for (const char* type :
         {"audio/x-wav", "audio/mpeg", "audio/mp4", "audio/aac", "audio/x-vorbis+ogg", "audio/flac",
          "audio/x-ms-wma", "audio/x-aiff", "audio/opus", "audio/x-mod", "audio/x-it"})
        EXPECT_NE(entryText.find(std::string(type) + ";"), std::string::npos) << type;

    const Outcome component = RunProgram("appstreamcli", {"validate", "--no-net", metainfo});
    EXPECT_TRUE(component.finished && component.code == 0) << component.out << component.err;
    const std::string componentText = ReadText(metainfo);
    EXPECT_NE(componentText.find("<release version=\"" QUORVEL_VERSION_TEXT "\""),
              std::string::npos);
    EXPECT_NE(componentText.find(">org.quorvel.Quorvel.desktop</launchable>"), std::string::npos);
    EXPECT_NE(componentText.find("<project_license>GPL-3.0-or-later</project_license>"),
              std::string::npos);

    const Outcome roff = RunProgram("groff", {"-man", "-Tutf8", "-ww", "-z", manual});
    EXPECT_TRUE(roff.finished && roff.code == 0);
    EXPECT_EQ(roff.err, "") << "the man page has mistakes";
    EXPECT_NE(ReadText(manual).find("\"quorvel " QUORVEL_VERSION_TEXT "\""), std::string::npos);
}

TEST_F(InstallTest, HelpVersionAndMistakesNeedNoDisplayAndStartNoPlayer) {
    QProcessEnvironment bare = PlayerEnvironment();
    bare.remove("DISPLAY");
    bare.remove("WAYLAND_DISPLAY");
    const Outcome help = RunProgram(Player(), {"--help"}, bare);
    EXPECT_EQ(help.status, QProcess::NormalExit);
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("Usage: quorvel [FILE]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const Outcome version = RunProgram(Player(), {"-h", "--version"}, bare);  // the first one wins
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("Usage:", 0), 0u);
    const Outcome onlyVersion = RunProgram(Player(), {"--version"}, bare);
    EXPECT_EQ(onlyVersion.code, 0);
    EXPECT_EQ(onlyVersion.out.rfind("quorvel " QUORVEL_VERSION_TEXT "\n", 0), 0u);
    EXPECT_NE(onlyVersion.out.find("GPL version 3 or later"), std::string::npos);
    EXPECT_EQ(onlyVersion.err, "");

    const Outcome unknown = RunProgram(Player(), {"--shuffle", "song.mp3"}, bare);
    EXPECT_EQ(unknown.status, QProcess::NormalExit);
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "quorvel: unknown option '--shuffle'\nTry 'quorvel --help' for more information.\n");
    const Outcome two = RunProgram(Player(), {"a.mp3", "b.mp3"}, bare);
    EXPECT_EQ(two.code, 2);
    EXPECT_NE(two.err.find("one file at a time"), std::string::npos);

    // None of them became a player or touched the data folder.
    EXPECT_TRUE(QDir(m_runtime.path()).isEmpty());
    EXPECT_TRUE(QDir(m_appData.path()).isEmpty());
}

TEST_F(InstallTest, OnePlayerShowsItsWindowTakesTheFilesOfLaterStartsAndEndsCleanly) {
    MakeTone("song.mp3", 440);
    MakeTone("other.ogg", 660);
    QProcess& player = StartPlayer({"song.mp3"});
    ASSERT_TRUE(WaitForWindows(1)) << "no window came up\n" << Scene(player);
    EXPECT_EQ(player.state(), QProcess::Running);
    EXPECT_TRUE(QFileInfo(Socket()).exists());
    // The first start filled the empty data folder.
    EXPECT_TRUE(QFileInfo::exists(m_appData.path() + "/Quorvel/Default.lan"));

    // A later start with a file hands it over and ends; the running player asks about the
    // loaded song's unsaved changes (a freshly loaded song counts as changed) in a box of its
    // own, and no second main window appears.
    const Outcome handed = StartAgain({"other.ogg"});
    EXPECT_EQ(handed.status, QProcess::NormalExit);
    EXPECT_EQ(handed.code, 0);
    EXPECT_EQ(handed.out + handed.err, "");
    EXPECT_TRUE(WaitForWindows(2)) << "the running player did not ask before opening the file\n"
                                   << Scene(player);
    const Outcome raised = StartAgain({});
    EXPECT_EQ(raised.code, 0);
    EXPECT_EQ(player.state(), QProcess::Running);
    EXPECT_EQ(QuorvelWindows(), 2);

    // Ended by the session even with the question up: no hang, a clean exit, no socket left.
    ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
    ASSERT_TRUE(Ended(player));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Socket()));
    // Loading an MP3 and handing over files printed nothing.
    EXPECT_EQ(player.readAllStandardError().toStdString(), "");
    EXPECT_EQ(QuorvelWindows(), 0);
}

TEST_F(InstallTest, TheSocketOfAKilledPlayerIsTakenOverByTheNextStart) {
    MakeTone("song.mp3", 440);
    QProcess& crashed = StartPlayer({});
    ASSERT_TRUE(WaitForWindows(1)) << Scene(crashed);
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    ASSERT_TRUE(Ended(crashed));
    ASSERT_TRUE(WaitForWindows(0));
    EXPECT_TRUE(QFileInfo::exists(Socket())) << "a killed player cannot remove its socket";

    QProcess& next = StartPlayer({"song.mp3"});
    ASSERT_TRUE(WaitForWindows(1)) << "the next start did not become the player\n" << Scene(next);
    EXPECT_EQ(next.state(), QProcess::Running);
    const Outcome raised = StartAgain({});  // and later starts reach it
    EXPECT_EQ(raised.code, 0);
    EXPECT_EQ(QuorvelWindows(), 1);

    ::kill(static_cast<pid_t>(next.processId()), SIGINT);
    ASSERT_TRUE(Ended(next));
    EXPECT_EQ(next.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Socket()));
}

// The Debian package made from this build as a user meets it: its control fields and contents as
// dpkg-deb reads them, apt's judgement of its dependencies on this system, then installed with
// dpkg into a root of its own, started from there, and removed.
class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        s_made = RunProgram(QUORVEL_CPACK, {"--config", QUORVEL_BUILD_DIR "/CPackConfig.cmake",
                                            "-B", s_dir->path()});
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_made.finished && s_made.code == 0) << s_made.out << s_made.err;
        ASSERT_TRUE(QFileInfo::exists(Package())) << s_made.out;
    }
    static QString Package() {
        return s_dir->path() + "/quorvel_" QUORVEL_VERSION_TEXT "_amd64.deb";
    }
    // dpkg on the root `root`, as if it were the system.
    static Outcome Dpkg(const QTemporaryDir& root, const QStringList& arguments) {
        return RunProgram(
            "dpkg", QStringList{"--root", root.path(), "--log", "/dev/null", "--force-not-root"} +
                        arguments);
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static Outcome s_made;
};

std::unique_ptr<QTemporaryDir> PackageTest::s_dir;
Outcome PackageTest::s_made;

TEST_F(PackageTest, ItsFieldsAndFilesMakeADesktopPlayerWhoseDependenciesAptCanMeet) {
    const Outcome control = RunProgram("dpkg-deb", {"--field", Package()});
    ASSERT_EQ(control.code, 0) << control.err;
    std::map<std::string, std::string> fields;
    std::istringstream lines(control.out);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos && line[0] != ' ')
            fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    const std::pair<const char*, const char*> exact[] = {{"Package", "quorvel"},
                                                         {"Version", QUORVEL_VERSION_TEXT},
                                                         {"Architecture", "amd64"},
                                                         {"Section", "sound"}};
    for (const auto& [field, value] : exact) EXPECT_EQ(fields[field], value) << field;
    // What the binaries link, found by dpkg-shlibdeps, and what the player loads unlinked.
    for (const char* needed :
         {"libqt6widgets6", "libqt6dbus6", "libsdl2-2.0-0", "libavformat59", "libmp3lame0",
          "librubberband2", "libsoundtouch1", "libcdio19", "libsqlite3-0", "libaubio5",
          "fonts-dejavu-core", "fonts-dejavu-extra"})
        EXPECT_NE(fields["Depends"].find(needed), std::string::npos) << needed;

    const Outcome contents = RunProgram("dpkg-deb", {"--contents", Package()});
    for (const char* file : {"./usr/bin/quorvel", "./usr/lib/quorvel/faac",
                             "./usr/share/applications/org.quorvel.Quorvel.desktop",
                             "./usr/share/metainfo/org.quorvel.Quorvel.metainfo.xml",
                             "./usr/share/icons/hicolor/64x64/apps/org.quorvel.Quorvel.png",
                             "./usr/share/icons/hicolor/256x256/apps/org.quorvel.Quorvel.png",
                             "./usr/share/icons/hicolor/scalable/apps/org.quorvel.Quorvel.svg",
                             "./usr/share/man/man1/quorvel.1", "./usr/share/doc/quorvel/copyright"})
        EXPECT_NE(contents.out.find(std::string(" ") + file + "\n"), std::string::npos) << file;

    // What `apt install ./quorvel_<version>_amd64.deb` would do here, simulated.
    const Outcome apt =
        RunProgram("apt-get", {"--simulate", "--no-install-recommends", "install", Package()});
    EXPECT_EQ(apt.code, 0) << apt.out << apt.err;
    EXPECT_NE(apt.out.find("Inst quorvel "), std::string::npos) << apt.out;
}

TEST_F(PackageTest, InstallsIntoARootOfItsOwnRunsFromThereAndRemovesCleanly) {
    QTemporaryDir root, appData, runtime;
    ASSERT_TRUE(QDir(root.path()).mkpath("var/lib/dpkg/info") &&
                QDir(root.path()).mkpath("var/lib/dpkg/updates"));
    QFile(root.filePath("var/lib/dpkg/status")).open(QIODevice::WriteOnly);
    // The root holds none of the libraries the package depends on: the system's serve.
    const Outcome installed = Dpkg(root, {"--force-depends", "--install", Package()});
    ASSERT_EQ(installed.code, 0) << installed.out << installed.err;
    EXPECT_NE(Dpkg(root, {"--status", "quorvel"}).out.find("Status: install ok installed"),
              std::string::npos);

    QProcess player;
    player.setProcessEnvironment(DesktopSession(appData.path(), runtime.path()));
    player.start(root.filePath("usr/bin/quorvel"), {});
    ASSERT_TRUE(player.waitForStarted());
    EXPECT_TRUE(WaitForWindows(1))
        << "the packaged player showed no window: " << player.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
    ASSERT_TRUE(Ended(player));
    EXPECT_EQ(player.exitCode(), 0);

    const Outcome removed = Dpkg(root, {"--remove", "quorvel"});
    EXPECT_EQ(removed.code, 0) << removed.err;
    for (const char* file : {"usr/bin/quorvel", "usr/lib/quorvel/faac",
                             "usr/share/applications/org.quorvel.Quorvel.desktop"})
        EXPECT_FALSE(QFileInfo::exists(root.filePath(file))) << file;
}

}  // namespace
